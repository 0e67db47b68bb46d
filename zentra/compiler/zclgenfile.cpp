// Files, dates, names and escaping for the generators. Escaping works on bytes and is total: any
// input gives output that is valid where it goes, so no script text can end an attribute, a
// string literal or an element early, or bring markup of its own into a page.
#include "zentra/compiler/zclgenfile.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <system_error>
#include <filesystem>

#include "zentra/compiler/zclexplain.h"

namespace {

const char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

// Length of the well-formed UTF-8 sequence at text[i], 0 when there is none.
size_t sequenceLength(const std::string& text, size_t i) {
  const auto byte = [&](size_t k) {
    return static_cast<unsigned char>(text[k]);
  };
  const unsigned char c = byte(i);
  if (c < 0x80)
    return 1;
  size_t n = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
  if (!n || i + n > text.size())
    return 0;
  for (size_t k = 1; k < n; k++)
    if ((byte(i + k) & 0xC0) != 0x80)
      return 0;
  const unsigned char c1 = byte(i + 1);
  if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 > 0x9F) || (c == 0xF0 && c1 < 0x90) || (c == 0xF4 && c1 > 0x8F))
    return 0;  // overlong forms, surrogates, beyond U+10FFFF
  return n;
}

// Appends text with XML/HTML escapes; controls other than tab and line breaks become U+FFFD.
// In attributes the line breaks and tab are kept as character references so they survive
// attribute-value normalisation.
std::string markupEscape(const std::string& raw, bool attribute) {
  const std::string text = ZCLValidUtf8(raw);
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    const unsigned char c = static_cast<unsigned char>(ch);
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      case '\t': out += attribute ? "&#9;" : "\t"; break;
      case '\n': out += attribute ? "&#10;" : "\n"; break;
      case '\r': out += "&#13;"; break;
      default:
        if (c < 0x20 || c == 0x7F)
          out += kReplacement;
        else
          out += ch;
    }
  }
  return out;
}

}  // namespace

bool ZCLMakeFolder(const std::string& folder) {
  if (folder.empty())
    return false;
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  return std::filesystem::is_directory(folder, ec);
}

std::string ZCLJoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty())
    return name;
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

bool ZCLWriteFile(const std::string& path, const std::string& content) {
  FILE* out = std::fopen(path.c_str(), "wb");
  if (!out)
    return false;
  const bool written = std::fwrite(content.data(), 1, content.size(), out) == content.size() && std::fflush(out) == 0;
  const bool closed = std::fclose(out) == 0;
  return written && closed;
}

std::string ZCLGeneratedDate(bool withTime) {
  std::time_t when = std::time(nullptr);
  if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
    char* end = nullptr;
    errno = 0;
    const long long seconds = std::strtoll(epoch, &end, 10);
    if (*epoch && !*end && !errno && seconds >= 0)
      when = static_cast<std::time_t>(seconds);
  }
  std::tm parts{};
  gmtime_r(&when, &parts);
  char text[64];
  std::strftime(text, sizeof text, withTime ? "%Y-%m-%dT%H:%M:%SZ" : "%Y-%m-%d", &parts);
  return text;
}

std::string ZCLGenTypeName(ZCLState* st, int typeId) {
  switch (typeId) {
    case ZIL_TYPE_NULL: return "null";
    case ZIL_TYPE_INT: return "int";
    case ZIL_TYPE_FLOAT: return "float";
    case ZIL_TYPE_VAR: return "var";
    default: break;
  }
  const ZCLClass* c = ZCLClassAt(st, typeId);
  return c ? c->name : "ERROR";
}

std::string ZCLGenDescName(ZCLState* st, const ZCLTypeDesc& type) {
  if (type.type == ZIL_TYPE_ARRAY)
    return ZCLGenTypeName(st, type.elemType) + "[]";
  return ZCLGenTypeName(st, type.type);
}

std::string ZCLFunctionDeclaration(ZCLState* st, const ZCLFunc& f) {
  std::string text;
  if ((f.flags & kZCLFuncStrict) && !(f.flags & kZCLFuncConstructor))
    text += "strict ";
  if (f.flags & kZCLFuncCofunction)
    text += "cofunction ";
  else if (f.flags & kZCLFuncAccessor)
    text += "accessor ";
  else if (f.flags & kZCLFuncExplicit)
    text += "explicit ";
  else if (f.flags & kZCLFuncFunction)
    text += "function ";
  else
    text += "method ";
  if (f.hasResult)
    text += ZCLTypeName(st, f.result) + " ";
  text += f.name + " (";
  for (size_t i = 0; i < f.args.size(); i++) {
    text += (i ? ", " : "") + ZCLTypeName(st, f.args[i].type);
    if (!f.args[i].name.empty())
      text += " " + f.args[i].name;
  }
  return text + ")";
}

std::string ZCLValidUtf8(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const size_t n = sequenceLength(text, i);
    if (n) {
      out.append(text, i, n);
      i += n;
    } else {
      out += kReplacement;
      i++;
    }
  }
  return out;
}

std::string ZCLXmlText(const std::string& text) { return markupEscape(text, false); }
std::string ZCLXmlAttribute(const std::string& text) { return markupEscape(text, true); }
std::string ZCLHtml(const std::string& text) { return markupEscape(text, false); }

std::string ZCLCppString(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); i++) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case '?': out += i + 1 < text.size() && text[i + 1] == '?' ? "?\\" : "?"; break;
      default:
        if (c < 0x20 || c >= 0x7F) {
          // Three octal digits always end the escape, whatever character follows.
          char octal[8];
          std::snprintf(octal, sizeof octal, "\\%03o", c);
          out += octal;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out;
}

ZILError ZCLGeneratorFailed(ZCLState* st, const std::string& why) {
  if (st->ps->log)
    st->ps->log(st->ps, ("Error 1258: Error while running native binding code generator: " + why + "\n").c_str());
  return ZCL_ERR_Binding_Generator;
}
