// ZString: the framework's 8-bit text with an explicit length (embedded NULs are allowed).
// An empty string owns no buffer and reads as "". Buffers grow in steps of 32 bytes and are
// always NUL-terminated. Comparison ignores ASCII letter case unless asked otherwise; bytes
// above 0x7f are compared as they are, so UTF-8 text is never altered by case folding.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

namespace ZTools {

class ZString {
 public:
  static constexpr size_t npos = static_cast<size_t>(-1);

  ZString() noexcept = default;
  ZString(const char* text);  // NOLINT: implicit by design; null reads as ""
  ZString(const char* text, size_t length);
  ZString(std::string_view text);  // NOLINT: implicit by design
  ZString(size_t count, char c);
  ZString(const ZString& other);
  ZString(ZString&& other) noexcept;
  ~ZString();

  ZString& operator=(const ZString& other);
  ZString& operator=(ZString&& other) noexcept;
  ZString& operator=(std::string_view text) { return Assign(text); }
  ZString& operator=(const char* text) { return Assign(text); }

  // A string built with printf-style formatting.
  static ZString Formatted(const char* format, ...) __attribute__((format(printf, 1, 2)));

  // Access. CStr() is never null and always NUL-terminated.
  const char* CStr() const noexcept { return buffer_ ? buffer_ : ""; }
  const char* c_str() const noexcept { return CStr(); }
  const char* Data() const noexcept { return CStr(); }
  size_t Length() const noexcept { return length_; }
  bool IsEmpty() const noexcept { return length_ == 0; }
  size_t Capacity() const noexcept { return capacity_; }
  std::string_view View() const noexcept { return {CStr(), length_}; }
  operator std::string_view() const noexcept { return View(); }  // NOLINT: implicit by design
  // The character at index, or '\0' past the end.
  char At(size_t index) const noexcept { return index < length_ ? buffer_[index] : '\0'; }
  char operator[](size_t index) const noexcept { return At(index); }
  // Sets one character; an index past the end is ignored.
  void SetAt(size_t index, char c) noexcept {
    if (index < length_)
      buffer_[index] = c;
  }

  // Changing the whole text.
  ZString& Assign(std::string_view text);
  ZString& Assign(const char* text) { return Assign(ViewOf(text)); }
  void Clear() noexcept;  // keeps the buffer for reuse
  void Reserve(size_t length);
  // Shortens to length (a longer length is ignored).
  void Truncate(size_t length) noexcept;
  ZString& Format(const char* format, ...) __attribute__((format(printf, 2, 3)));
  ZString& FormatV(const char* format, va_list args) __attribute__((format(printf, 2, 0)));

  // Appending.
  ZString& Append(std::string_view text);
  ZString& Append(const char* text) { return Append(ViewOf(text)); }
  ZString& Append(const ZString& text) { return Append(text.View()); }
  ZString& Append(char c);
  ZString& AppendFormat(const char* format, ...) __attribute__((format(printf, 2, 3)));
  ZString& AppendFormatV(const char* format, va_list args) __attribute__((format(printf, 2, 0)));
  ZString& operator+=(std::string_view text) { return Append(text); }
  ZString& operator+=(const char* text) { return Append(text); }
  ZString& operator+=(const ZString& text) { return Append(text); }
  ZString& operator+=(char c) { return Append(c); }

  // Editing. Positions past the end are clamped to the end; counts are clamped to the text.
  ZString& Insert(size_t position, std::string_view text);
  ZString& Remove(size_t position, size_t count = npos);
  // Replaces every occurrence of from (scanning left to right, never rescanning inserted
  // text) and answers how many were replaced. An empty from replaces nothing.
  size_t ReplaceAll(std::string_view from, std::string_view to, bool ignoreCase = false);
  ZString& Trim();  // removes blanks (space, tab, CR, LF, VT, FF) at both ends
  ZString& TrimLeft();
  ZString& TrimRight();
  ZString& MakeLower() noexcept;  // ASCII letters only
  ZString& MakeUpper() noexcept;

  // Copies.
  ZString Substring(size_t position, size_t count = npos) const;
  ZString Left(size_t count) const { return Substring(0, count); }
  ZString Right(size_t count) const { return count >= length_ ? *this : Substring(length_ - count); }
  ZString Lower() const { return ZString(*this).MakeLower(); }
  ZString Upper() const { return ZString(*this).MakeUpper(); }
  ZString Trimmed() const { return ZString(*this).Trim(); }

  // Searching; npos when not found. An empty needle is found at from (if from <= Length()).
  size_t Find(std::string_view needle, size_t from = 0, bool ignoreCase = false) const noexcept;
  size_t Find(char c, size_t from = 0) const noexcept;
  size_t FindLast(std::string_view needle, bool ignoreCase = false) const noexcept;
  size_t FindLast(char c) const noexcept;
  size_t FindAnyOf(std::string_view set, size_t from = 0) const noexcept;
  bool Contains(std::string_view needle, bool ignoreCase = false) const noexcept {
    return Find(needle, 0, ignoreCase) != npos;
  }
  bool StartsWith(std::string_view prefix, bool ignoreCase = false) const noexcept;
  bool EndsWith(std::string_view suffix, bool ignoreCase = false) const noexcept;

  // Comparison: <0, 0, >0. Without regard to ASCII case unless caseSensitive is set.
  int Compare(std::string_view other, bool caseSensitive = false) const noexcept;
  bool Equals(std::string_view other, bool caseSensitive = false) const noexcept;

  // Numbers: the whole text (blanks around it allowed) must be a decimal integer in range
  // (or a floating-point number); otherwise false and out is left unchanged.
  bool ToInt32(int32_t& out) const noexcept;
  bool ToDouble(double& out) const noexcept;

  // The operators compare exactly (byte for byte), as a value type should;
  // use Equals/Compare for the framework's case-insensitive comparison.
  friend bool operator==(const ZString& a, const ZString& b) noexcept { return a.View() == b.View(); }
  friend bool operator==(const ZString& a, std::string_view b) noexcept { return a.View() == b; }
  friend bool operator==(const ZString& a, const char* b) noexcept { return a.View() == ViewOf(b); }
  friend auto operator<=>(const ZString& a, const ZString& b) noexcept { return a.View() <=> b.View(); }

  friend ZString operator+(const ZString& a, std::string_view b) { return ZString(a).Append(b); }
  friend ZString operator+(const ZString& a, const char* b) { return ZString(a).Append(b); }
  friend ZString operator+(const ZString& a, const ZString& b) { return ZString(a).Append(b); }
  friend ZString operator+(const ZString& a, char b) { return ZString(a).Append(b); }
  friend ZString operator+(std::string_view a, const ZString& b) { return ZString(a).Append(b); }
  friend ZString operator+(const char* a, const ZString& b) { return ZString(a).Append(b); }

  static std::string_view ViewOf(const char* text) noexcept {
    return text ? std::string_view(text) : std::string_view();
  }

 private:
  static constexpr size_t kSmallFormat = 256;
  static std::string_view FormatText(char (&small)[kSmallFormat], ZString& big, const char* format, va_list args)
      __attribute__((format(printf, 3, 0)));
  // Whether p points into this string's buffer (arguments may be parts of the string itself).
  bool PointsInto(const char* p) const noexcept {
    const auto at = reinterpret_cast<uintptr_t>(p), base = reinterpret_cast<uintptr_t>(buffer_);
    return buffer_ && at >= base && at < base + capacity_;
  }
  // Makes room for length characters plus the terminator, keeping the content.
  void Grow(size_t length);
  void SetLength(size_t length) noexcept {
    length_ = length;
    if (buffer_)
      buffer_[length] = '\0';
  }

  char* buffer_ = nullptr;  // null, or capacity_ bytes holding length_ chars and a NUL
  size_t length_ = 0;
  size_t capacity_ = 0;
};

// ASCII case folding and comparison helpers shared by the framework.
char ZToLower(char c) noexcept;
int ZCompareNoCase(std::string_view a, std::string_view b) noexcept;
bool ZEqualsNoCase(std::string_view a, std::string_view b) noexcept;

// Comparator for ordered containers keyed without regard to case:
// std::map<ZString, T, ZStringLessNoCase>. Transparent, so lookups take string_view.
struct ZStringLessNoCase {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const noexcept { return ZCompareNoCase(a, b) < 0; }
};

// Hash and equality for unordered containers keyed without regard to case.
struct ZStringHashNoCase {
  using is_transparent = void;
  size_t operator()(std::string_view s) const noexcept;
};
struct ZStringEqualNoCase {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const noexcept { return ZEqualsNoCase(a, b); }
};

}  // namespace ZTools

template <>
struct std::hash<ZTools::ZString> {
  size_t operator()(const ZTools::ZString& s) const noexcept { return std::hash<std::string_view>()(s.View()); }
};
