// ZString's storage and editing. The buffer is allocated with malloc/realloc so growing keeps
// the content without a copy where the allocator can; allocation failure throws
// ZError(kZErrOutOfMemory).
// Every operation works on the explicit length, never on a terminating NUL.
#include "ztools/base/zstring.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ztools/base/zerror.h"

namespace ZTools {
namespace {

// Lower-case table: only 'A'..'Z' change.
struct LowerTable {
  unsigned char map[256];
  constexpr LowerTable() : map() {
    for (int i = 0; i < 256; ++i)
      map[i] = static_cast<unsigned char>(i >= 'A' && i <= 'Z' ? i + 32 : i);
  }
};
constexpr LowerTable kLower;

inline unsigned char Fold(char c) { return kLower.map[static_cast<unsigned char>(c)]; }
inline char FoldUp(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }
inline bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

// Capacity for a text of length characters: (length + 1) rounded up to the next multiple of 32,
// plus 32 when it already is one.
constexpr size_t kMaxLength = (static_cast<size_t>(1) << 40);
inline size_t CapacityFor(size_t length) { return ((length + 1) / 32 + 1) * 32; }

bool EqualNoCase(const char* a, const char* b, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (Fold(a[i]) != Fold(b[i]))
      return false;
  return true;
}

bool EqualAt(std::string_view text, size_t at, std::string_view needle, bool ignoreCase) {
  if (at > text.size() || text.size() - at < needle.size())
    return false;
  if (ignoreCase)
    return EqualNoCase(text.data() + at, needle.data(), needle.size());
  return needle.empty() || std::memcmp(text.data() + at, needle.data(), needle.size()) == 0;
}

}  // namespace

char ZToLower(char c) noexcept { return static_cast<char>(Fold(c)); }

int ZCompareNoCase(std::string_view a, std::string_view b) noexcept {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    const int d = int{Fold(a[i])} - int{Fold(b[i])};
    if (d != 0)
      return d;
  }
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

bool ZEqualsNoCase(std::string_view a, std::string_view b) noexcept {
  return a.size() == b.size() && EqualNoCase(a.data(), b.data(), a.size());
}

size_t ZStringHashNoCase::operator()(std::string_view s) const noexcept {
  uint64_t h = 14695981039346656037ull;  // FNV-1a over folded bytes
  for (char c : s)
    h = (h ^ Fold(c)) * 1099511628211ull;
  return static_cast<size_t>(h);
}

// --- construction -------------------------------------------------------------------------

ZString::ZString(const char* text) : ZString(ViewOf(text)) {}
ZString::ZString(const char* text, size_t length) : ZString(std::string_view(text ? text : "", text ? length : 0)) {}
ZString::ZString(std::string_view text) { Assign(text); }

ZString::ZString(size_t count, char c) {
  if (count == 0)
    return;
  Grow(count);
  std::memset(buffer_, c, count);
  SetLength(count);
}

ZString::ZString(const ZString& other) { Assign(other.View()); }

ZString::ZString(ZString&& other) noexcept
    : buffer_(other.buffer_), length_(other.length_), capacity_(other.capacity_) {
  other.buffer_ = nullptr;
  other.length_ = other.capacity_ = 0;
}

ZString::~ZString() { std::free(buffer_); }

ZString& ZString::operator=(const ZString& other) {
  if (this != &other)
    Assign(other.View());
  return *this;
}

ZString& ZString::operator=(ZString&& other) noexcept {
  if (this != &other) {
    std::free(buffer_);
    buffer_ = other.buffer_;
    length_ = other.length_;
    capacity_ = other.capacity_;
    other.buffer_ = nullptr;
    other.length_ = other.capacity_ = 0;
  }
  return *this;
}

ZString ZString::Formatted(const char* format, ...) {
  ZString s;
  va_list args;
  va_start(args, format);
  s.AppendFormatV(format, args);
  va_end(args);
  return s;
}

// --- storage ------------------------------------------------------------------------------

void ZString::Grow(size_t length) {
  // Same rule as CapacityFor: a buffer is full once length + 1 reaches a multiple of 32.
  if (buffer_ && length + 1 < capacity_)
    return;
  if (length >= kMaxLength)
    throw ZError(kZErrOutOfMemory);
  const size_t capacity = CapacityFor(length);
  char* grown = static_cast<char*>(std::realloc(buffer_, capacity));
  if (!grown)
    throw ZError(kZErrOutOfMemory);
  if (!buffer_)
    grown[0] = '\0';
  buffer_ = grown;
  capacity_ = capacity;
}

void ZString::Reserve(size_t length) {
  if (length == 0)
    return;
  Grow(length);
}

ZString& ZString::Assign(std::string_view text) {
  if (text.empty()) {
    Clear();
    return *this;
  }
  // text may be a part of this string: move it to the front in place.
  if (PointsInto(text.data())) {
    if (text.data() != buffer_)
      std::memmove(buffer_, text.data(), text.size());
    SetLength(text.size());
    return *this;
  }
  Grow(text.size());
  std::memcpy(buffer_, text.data(), text.size());
  SetLength(text.size());
  return *this;
}

void ZString::Clear() noexcept { SetLength(0); }

void ZString::Truncate(size_t length) noexcept {
  if (length < length_)
    SetLength(length);
}

// --- appending and formatting -------------------------------------------------------------

ZString& ZString::Append(std::string_view text) { return Insert(length_, text); }

ZString& ZString::Append(char c) {
  Grow(length_ + 1);
  buffer_[length_] = c;
  SetLength(length_ + 1);
  return *this;
}

// Formatting never writes into this string's buffer before the arguments are read, so an
// argument may be this very string (s.Format("(%s)", s.CStr())).
std::string_view ZString::FormatText(char (&small)[kSmallFormat], ZString& big, const char* format, va_list args) {
  if (!format)
    return {};
  va_list again;
  va_copy(again, args);
  const int needed = std::vsnprintf(small, sizeof(small), format, args);
  if (needed < 0) {  // encoding error: no text
    va_end(again);
    return {};
  }
  const size_t length = static_cast<size_t>(needed);
  if (length < sizeof(small)) {
    va_end(again);
    return {small, length};
  }
  big.Grow(length);
  std::vsnprintf(big.buffer_, big.capacity_, format, again);
  va_end(again);
  big.SetLength(length);
  return big.View();
}

ZString& ZString::Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  FormatV(format, args);
  va_end(args);
  return *this;
}

ZString& ZString::FormatV(const char* format, va_list args) {
  char small[kSmallFormat];
  ZString big;
  return Assign(FormatText(small, big, format, args));
}

ZString& ZString::AppendFormat(const char* format, ...) {
  va_list args;
  va_start(args, format);
  AppendFormatV(format, args);
  va_end(args);
  return *this;
}

ZString& ZString::AppendFormatV(const char* format, va_list args) {
  char small[kSmallFormat];
  ZString big;
  return Append(FormatText(small, big, format, args));
}

// --- editing ------------------------------------------------------------------------------

ZString& ZString::Insert(size_t position, std::string_view text) {
  if (text.empty())
    return *this;
  if (position > length_)
    position = length_;
  // The inserted text may live in our own buffer, which Grow may move: take a copy then.
  if (PointsInto(text.data())) {
    const ZString copy(text);
    return Insert(position, copy.View());
  }
  if (text.size() >= kMaxLength)
    throw ZError(kZErrOutOfMemory);
  const size_t length = length_ + text.size();
  Grow(length);
  std::memmove(buffer_ + position + text.size(), buffer_ + position, length_ - position);
  std::memcpy(buffer_ + position, text.data(), text.size());
  SetLength(length);
  return *this;
}

ZString& ZString::Remove(size_t position, size_t count) {
  if (position >= length_ || count == 0)
    return *this;
  if (count > length_ - position)
    count = length_ - position;
  std::memmove(buffer_ + position, buffer_ + position + count, length_ - position - count);
  SetLength(length_ - count);
  return *this;
}

size_t ZString::ReplaceAll(std::string_view from, std::string_view to, bool ignoreCase) {
  if (from.empty() || length_ < from.size())
    return 0;
  const std::string_view text = View();
  auto next = [&](size_t at) -> size_t {
    if (ignoreCase)
      return Find(from, at, true);
    if (from.size() == 1) {
      const void* hit = at < length_ ? std::memchr(buffer_ + at, from[0], length_ - at) : nullptr;
      return hit ? static_cast<size_t>(static_cast<const char*>(hit) - buffer_) : npos;
    }
    return text.find(from, at);
  };
  size_t at = next(0);
  if (at == npos)
    return 0;
  // to may point into this string: copy it before anything here is overwritten.
  const ZString replacement(PointsInto(to.data()) ? to : std::string_view());
  if (!replacement.IsEmpty())
    to = replacement.View();

  size_t count = 0;
  if (to.size() <= from.size()) {
    // The text can only shrink: rewrite it in place, the write position never passing the read one.
    size_t write = at, read = at;
    for (; at != npos; at = next(read)) {
      std::memmove(buffer_ + write, buffer_ + read, at - read);
      write += at - read;
      if (!to.empty())
        std::memcpy(buffer_ + write, to.data(), to.size());
      write += to.size();
      read = at + from.size();
      ++count;
    }
    std::memmove(buffer_ + write, buffer_ + read, length_ - read);
    SetLength(write + length_ - read);
    return count;
  }

  // The text grows: count first, so the result is allocated once and built in one pass.
  for (size_t probe = at; probe != npos; probe = next(probe + from.size()))
    ++count;
  if ((to.size() - from.size()) > (kMaxLength - length_) / count)
    throw ZError(kZErrOutOfMemory);
  const size_t length = length_ + count * (to.size() - from.size());
  ZString result;
  result.Reserve(length);
  char* out = result.buffer_;
  size_t read = 0;
  for (; at != npos; at = next(read)) {
    std::memcpy(out, buffer_ + read, at - read);
    out += at - read;
    std::memcpy(out, to.data(), to.size());
    out += to.size();
    read = at + from.size();
  }
  std::memcpy(out, buffer_ + read, length_ - read);
  result.SetLength(length);
  *this = std::move(result);
  return count;
}

ZString& ZString::TrimRight() {
  size_t end = length_;
  while (end > 0 && IsBlank(buffer_[end - 1]))
    --end;
  Truncate(end);
  return *this;
}

ZString& ZString::TrimLeft() {
  size_t start = 0;
  while (start < length_ && IsBlank(buffer_[start]))
    ++start;
  return Remove(0, start);
}

ZString& ZString::Trim() { return TrimRight().TrimLeft(); }

ZString& ZString::MakeLower() noexcept {
  for (size_t i = 0; i < length_; ++i)
    buffer_[i] = static_cast<char>(Fold(buffer_[i]));
  return *this;
}

ZString& ZString::MakeUpper() noexcept {
  for (size_t i = 0; i < length_; ++i)
    buffer_[i] = FoldUp(buffer_[i]);
  return *this;
}

ZString ZString::Substring(size_t position, size_t count) const {
  if (position >= length_)
    return ZString();
  return ZString(View().substr(position, count));
}

// --- searching and comparing --------------------------------------------------------------

size_t ZString::Find(std::string_view needle, size_t from, bool ignoreCase) const noexcept {
  if (from > length_)
    return npos;
  if (!ignoreCase) {
    const size_t at = View().find(needle, from);
    return at == std::string_view::npos ? npos : at;
  }
  if (needle.size() > length_)
    return npos;
  const unsigned char first = Fold(needle.empty() ? '\0' : needle[0]);
  for (size_t i = from; i + needle.size() <= length_; ++i) {
    if (!needle.empty() && Fold(buffer_[i]) != first)
      continue;
    if (EqualNoCase(buffer_ + i, needle.data(), needle.size()))
      return i;
  }
  return npos;
}

size_t ZString::Find(char c, size_t from) const noexcept {
  if (from >= length_)
    return npos;
  const void* hit = std::memchr(buffer_ + from, c, length_ - from);
  return hit ? static_cast<size_t>(static_cast<const char*>(hit) - buffer_) : npos;
}

size_t ZString::FindLast(std::string_view needle, bool ignoreCase) const noexcept {
  if (needle.size() > length_)
    return npos;
  for (size_t i = length_ - needle.size() + 1; i-- > 0;)
    if (EqualAt(View(), i, needle, ignoreCase))
      return i;
  return npos;
}

size_t ZString::FindLast(char c) const noexcept {
  for (size_t i = length_; i-- > 0;)
    if (buffer_[i] == c)
      return i;
  return npos;
}

size_t ZString::FindAnyOf(std::string_view set, size_t from) const noexcept {
  const size_t at = View().find_first_of(set, from);
  return at == std::string_view::npos ? npos : at;
}

bool ZString::StartsWith(std::string_view prefix, bool ignoreCase) const noexcept {
  return EqualAt(View(), 0, prefix, ignoreCase);
}

bool ZString::EndsWith(std::string_view suffix, bool ignoreCase) const noexcept {
  return suffix.size() <= length_ && EqualAt(View(), length_ - suffix.size(), suffix, ignoreCase);
}

int ZString::Compare(std::string_view other, bool caseSensitive) const noexcept {
  if (!caseSensitive)
    return ZCompareNoCase(View(), other);
  const int c = View().compare(other);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

bool ZString::Equals(std::string_view other, bool caseSensitive) const noexcept {
  return caseSensitive ? View() == other : ZEqualsNoCase(View(), other);
}

namespace {

std::string_view TrimmedView(std::string_view s) {
  while (!s.empty() && IsBlank(s.front()))
    s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back()))
    s.remove_suffix(1);
  if (s.size() > 1 && s.front() == '+' && s[1] != '-')
    s.remove_prefix(1);  // from_chars refuses '+'
  return s;
}

}  // namespace

// from_chars: no locale (a comma never becomes the decimal point), no allocation.
bool ZString::ToInt32(int32_t& out) const noexcept {
  const std::string_view text = TrimmedView(View());
  int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
  if (text.empty() || error != std::errc() || end != text.data() + text.size())
    return false;
  out = value;
  return true;
}

bool ZString::ToDouble(double& out) const noexcept {
  const std::string_view text = TrimmedView(View());
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size())
    return false;
  out = value;
  return true;
}

}  // namespace ZTools
