// The HTML documentation generator: one XHTML page per documented class (its summary tables,
// inheritance and a reference entry per function, anchored "A%04d" by function index) and an
// index page linking them. Tag text is rewritten on the way: "@define name text" lines set
// replacements for "{name}", and words naming documented classes, Class::function references
// and web addresses become links. The rewriting splits the raw text into words first and
// escapes every piece it writes, so a tag can add neither markup nor a link to anywhere else.
#include <cctype>
#include <map>

#include "zentra/compiler/zclgenfile.h"
#include "zilcompiler.h"

namespace {

const char kPageStart[] =
    "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\" "
    "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">\n"
    "<html xmlns=\"http://www.w3.org/1999/xhtml\">\n<head>\n"
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\" />\n";

const char kStyle[] =
    "<style type=\"text/css\">\n"
    "body { font-family: sans-serif; }\n"
    "table { width: 800px; border-collapse: collapse; margin-bottom: 1em; }\n"
    "td { padding: 2px 6px; vertical-align: top; }\n"
    "td#column1 { width: 250px; }\n"
    "tr#light { background-color: #ffffff; }\n"
    "tr#dark { background-color: #e8ecf4; }\n"
    "pre { margin: 0; }\n"
    ".footer { font-size: small; color: #606060; border-top: 1px solid #a0a0a0; width: 800px; }\n"
    "</style>\n";

bool isWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == ':' || c == '@'; }
bool isUrlChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) ||
         std::string_view("-._~:/?#@!$&*+,;=%").find(c) != std::string_view::npos;
}

// A class name as a file name: runs of characters other than letters, digits and '_' become one
// '.', so "string::processor" is "string.processor.html" and no name leaves the folder.
std::string pageName(const std::string& className) {
  std::string out;
  for (char c : className) {
    const bool plain = std::isalnum(static_cast<unsigned char>(c)) || c == '_';
    if (plain)
      out += c;
    else if (out.empty() || out.back() != '.')
      out += '.';
  }
  return (out.empty() ? std::string("_") : out) + ".html";
}

const char* familyWord(int family) {
  switch (family) {
    case ZIL_FAMILY_INTERFACE: return "interface";
    case ZIL_FAMILY_THREAD: return "cofunction";
    case ZIL_FAMILY_DELEGATE: return "delegate";
    default: return "class";
  }
}

struct Docs {
  ZCLState* st;
  std::map<std::string, std::string> defines;  // "@define" replacements by name
  std::map<std::string, const ZCLClass*> documented;
  std::string date;

  bool isDocumented(const ZCLClass& c) const {
    if (c.placeholder || c.name.empty() || c.tag.find("@ignore") != std::string::npos)
      return false;
    // The runtime's and the host's classes are described by their declarations even untagged.
    if (c.isNative || (c.typeId < ZIL_TYPE_VAR && (c.family == ZIL_FAMILY_CLASS || c.family == ZIL_FAMILY_INTERFACE)))
      return true;
    if (!c.tag.empty())
      return true;
    for (const auto& f : c.funcs)
      if (!f->tag.empty())
        return true;
    return false;
  }

  // Collects the "@define NAME TEXT" lines of a tag.
  void collectDefines(const std::string& tag) {
    size_t start = 0;
    while (start <= tag.size()) {
      size_t end = tag.find('\n', start);
      if (end == std::string::npos)
        end = tag.size();
      const std::string line = tag.substr(start, end - start);
      if (line.rfind("@define", 0) == 0) {
        size_t p = 7, q;
        while (p < line.size() && std::isspace(static_cast<unsigned char>(line[p])))
          p++;
        for (q = p; q < line.size() && !std::isspace(static_cast<unsigned char>(line[q])); q++) {
        }
        size_t t = q;
        while (t < line.size() && std::isspace(static_cast<unsigned char>(line[t])))
          t++;
        if (q > p)
          defines[line.substr(p, q - p)] = line.substr(t);
      }
      start = end + 1;
    }
  }

  // The raw text with "{name}" replaced for defined names and "@define" lines dropped.
  std::string substitute(const std::string& tag) const {
    std::string text;
    size_t start = 0;
    while (start <= tag.size()) {
      size_t end = tag.find('\n', start);
      if (end == std::string::npos)
        end = tag.size();
      const std::string line = tag.substr(start, end - start);
      if (line.rfind("@define", 0) != 0)
        text += (text.empty() ? "" : "\n") + line;
      start = end + 1;
    }
    std::string out;
    for (size_t i = 0; i < text.size(); i++) {
      const size_t close = text[i] == '{' ? text.find('}', i) : std::string::npos;
      auto it = close != std::string::npos ? defines.find(text.substr(i + 1, close - i - 1)) : defines.end();
      if (it != defines.end()) {
        out += it->second;
        i = close;
      } else {
        out += text[i];
      }
    }
    return out;
  }

  // What the page says of a class: its tag, or for a native class without one, the description
  // its type proc gives.
  std::string description(const ZCLClass& c) const {
    if (!c.tag.empty() || !c.isNative)
      return c.tag;
    NTLTypeProc proc = ZCLFindNativeProc(st, c.name.c_str());
    ZILUnknown* out = nullptr;
    if (!proc || proc(nullptr, NTL_GetAuthorString, 0, nullptr, &out) != 0 || !out)
      return {};
    return static_cast<const char*>(out);
  }

  std::string application() const { return substitute("{application}"); }

  std::string link(const std::string& target, const std::string& text) const {
    return "<a href=\"" + ZCLHtml(target) + "\">" + ZCLHtml(text) + "</a>";
  }

  // A word that names a documented class or Class::function, linked; empty when it names none.
  std::string wordLink(const std::string& word) const {
    auto it = documented.find(word);
    if (it != documented.end())
      return link(pageName(word), word);
    const size_t sep = word.rfind("::");
    if (sep == std::string::npos || sep == 0)
      return {};
    it = documented.find(word.substr(0, sep));
    if (it == documented.end())
      return {};
    const std::vector<ZCLFunc*>& named = ZCLFunctionsNamed(it->second, word.substr(sep + 2));
    if (named.empty())
      return link(pageName(it->first), word);
    char anchor[16];
    std::snprintf(anchor, sizeof anchor, "#A%04d", named.front()->index);
    return link(pageName(it->first) + anchor, word);
  }

  // Tag text as HTML: substituted, split into words, links made, everything else escaped.
  std::string tagHtml(const std::string& tag) const {
    const std::string text = ZCLValidUtf8(substitute(tag));
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
      if (text.compare(i, 7, "http://") == 0 || text.compare(i, 8, "https://") == 0) {
        size_t end = i;
        while (end < text.size() && isUrlChar(text[end]))
          end++;
        while (end > i && std::string_view(".,;:!?").find(text[end - 1]) != std::string_view::npos)
          end--;
        out += link(text.substr(i, end - i), text.substr(i, end - i));
        i = end;
        continue;
      }
      if (isWordChar(text[i])) {
        size_t end = i;
        while (end < text.size() && isWordChar(text[end]))
          end++;
        const std::string word = text.substr(i, end - i);
        const std::string linked = wordLink(word);
        out += linked.empty() ? ZCLHtml(word) : linked;
        i = end;
        continue;
      }
      size_t end = i;
      while (end < text.size() && !isWordChar(text[end]) && text.compare(end, 7, "http://") != 0 &&
             text.compare(end, 8, "https://") != 0)
        end++;
      std::string plain = ZCLHtml(text.substr(i, end - i));
      for (size_t p = 0; (p = plain.find('\n', p)) != std::string::npos; p += 7)
        plain.replace(p, 1, "<br />\n");
      out += plain;
      i = end;
    }
    return out;
  }

  std::string head(const std::string& title) const {
    return std::string(kPageStart) + "<title>" + ZCLHtml(title) + "</title>\n" + kStyle + "</head>\n<body>\n";
  }
  std::string footer() const {
    return "<p class=\"footer\"><a href=\"index.html\">" + ZCLHtml(application()) +
           " class documentation</a> generated on " + date + "</p>\n</body>\n</html>\n";
  }

  static std::string row(int n, const std::string& first, const std::string& second) {
    return std::string("<tr id='") + (n % 2 ? "dark" : "light") + "'><td id='column1'>" + first + "</td><td>" + second +
           "</td></tr>\n";
  }

  std::string summary(const ZCLClass& c, const char* heading, bool (*wanted)(int flags)) const {
    std::string rows;
    int n = 0;
    for (const auto& f : c.funcs) {
      if (!wanted(f->flags))
        continue;
      char anchor[16];
      std::snprintf(anchor, sizeof anchor, "#A%04d", f->index);
      rows += row(n++, link(anchor, f->name), "<code>" + ZCLHtml(ZCLFunctionDeclaration(st, *f)) + "</code>");
    }
    return rows.empty() ? "" : std::string("<h3>") + heading + "</h3>\n<table>\n" + rows + "</table>\n";
  }

  std::string classPage(const ZCLClass& c) const {
    const std::string title = "ZentraScript " + std::string(familyWord(c.family)) + " " + c.name + " Documentation";
    std::string page = head(title);
    page += "<h1>" + std::string(familyWord(c.family)) + " " + ZCLHtml(c.name) + "</h1>\n";
    if (const std::string text = description(c); !text.empty())
      page += "<p>" + tagHtml(text) + "</p>\n";
    std::string inheritance = std::string(familyWord(c.family)) + " " + ZCLHtml(c.name);
    if (const ZCLClass* base = c.baseId ? ZCLClassAt(st, c.baseId) : nullptr)
      inheritance +=
          " : " + (documented.count(base->name) ? link(pageName(base->name), base->name) : ZCLHtml(base->name));
    if (const ZCLClass* hybrid = c.hybridId ? ZCLClassAt(st, c.hybridId) : nullptr)
      inheritance += " hybrid " + (documented.count(hybrid->name) ? link(pageName(hybrid->name), hybrid->name)
                                                                  : ZCLHtml(hybrid->name));
    page += "<h3>Inheritance</h3>\n<table>\n<tr id='light'><td>" + inheritance + "</td></tr>\n</table>\n";
    if (c.family == ZIL_FAMILY_DELEGATE) {
      std::string signature = (c.dgHasResult ? ZCLGenDescName(st, c.dgResult) : std::string("void")) + " (";
      for (size_t i = 0; i < c.dgArgs.size(); i++)
        signature += (i ? ", " : "") + ZCLGenDescName(st, c.dgArgs[i].type) +
                     (c.dgArgs[i].name.empty() ? "" : " " + c.dgArgs[i].name);
      page += "<h3>Signature</h3>\n<table>\n<tr id='light'><td><pre>" + ZCLHtml(signature + ")") +
              "</pre></td></tr>\n</table>\n";
    }
    page +=
        summary(c, "Global Functions", [](int f) { return (f & kZCLFuncFunction) != 0 && !(f & kZCLFuncCofunction); });
    page += summary(c, "Constructors", [](int f) { return (f & kZCLFuncConstructor) != 0; });
    page += summary(c, "Convertors", [](int f) { return (f & kZCLFuncConvertor) != 0; });
    page += summary(c, "Methods", [](int f) {
      return !(f & (kZCLFuncFunction | kZCLFuncConstructor | kZCLFuncConvertor | kZCLFuncAccessor)) ||
             (f & kZCLFuncCofunction);
    });
    page += summary(c, "Properties", [](int f) { return (f & kZCLFuncAccessor) != 0; });
    if (!c.members.empty()) {
      std::string rows;
      for (size_t i = 0; i < c.members.size(); i++)
        rows += row(static_cast<int>(i), ZCLHtml(c.members[i].name), tagHtml(c.members[i].tag));
      page += "<h3>Variables and Constants</h3>\n<table>\n" + rows + "</table>\n";
    }
    if (!c.aliases.empty()) {
      std::string rows;
      for (size_t i = 0; i < c.aliases.size(); i++)
        rows += row(static_cast<int>(i), ZCLHtml(c.aliases[i]), "");
      page += "<h3>Aliases</h3>\n<table>\n" + rows + "</table>\n";
    }
    if (!c.funcs.empty())
      page += "<h3>Reference</h3>\n";
    for (const auto& f : c.funcs) {
      char anchor[32];
      std::snprintf(anchor, sizeof anchor, "<a name=\"A%04d\"></a>\n", f->index);
      page += anchor;
      page += "<table>\n<tr id='dark'><td><pre>" + ZCLHtml(ZCLFunctionDeclaration(st, *f)) + "</pre></td></tr>\n";
      page += "<tr id='light'><td>" + tagHtml(f->tag) + "</td></tr>\n</table>\n";
    }
    return page + footer();
  }

  std::string indexPage() const {
    const std::string title = application() + " Class Documentation";
    std::string page = head(title) + "<h1>" + ZCLHtml(title) + "</h1>\n";
    page += "<p>These are the documented interfaces, classes, delegates and cofunctions for this application.</p>\n";
    const std::pair<int, const char*> sections[] = {{ZIL_FAMILY_INTERFACE, "Interfaces"},
                                                    {ZIL_FAMILY_CLASS, "Classes"},
                                                    {ZIL_FAMILY_DELEGATE, "Delegates"},
                                                    {ZIL_FAMILY_THREAD, "Co-Functions"}};
    for (const auto& [family, heading] : sections) {
      std::string rows;
      int n = 0;
      for (const auto& c : st->classes)
        if (c->family == family && documented.count(c->name) && documented.at(c->name) == c.get())
          rows += row(n++, link(pageName(c->name), c->name), tagHtml(firstLine(substitute(description(*c)))));
      if (!rows.empty())
        page += std::string("<h3>") + heading + "</h3>\n<table>\n" + rows + "</table>\n";
    }
    return page + footer();
  }

  static std::string firstLine(const std::string& text) { return text.substr(0, text.find('\n')); }
};

ZILError generateDocs(ZCLState* st, const std::string& folder) {
  Docs docs{st, {}, {}, ZCLGeneratedDate(true)};
  docs.defines["application"] = "ZentraScript";
  std::vector<const ZCLClass*> pages;
  for (const auto& c : st->classes) {
    if (!docs.isDocumented(*c))
      continue;
    // A page named like the index (on a case-blind file system too) would replace it.
    std::string page = pageName(c->name);
    for (char& ch : page)
      ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    if (page == "index.html")
      return ZCLGeneratorFailed(st, "the page of class " + c->name + " would replace index.html");
    docs.documented.emplace(c->name, c.get());
    pages.push_back(c.get());
    docs.collectDefines(c->tag);
    for (const auto& f : c->funcs)
      docs.collectDefines(f->tag);
  }
  if (!ZCLMakeFolder(folder))
    return ZCLGeneratorFailed(st, "cannot make the folder " + folder);
  for (const ZCLClass* c : pages) {
    const std::string path = ZCLJoinPath(folder, pageName(c->name));
    if (!ZCLWriteFile(path, docs.classPage(*c)))
      return ZCLGeneratorFailed(st, "cannot write " + path);
  }
  const std::string index = ZCLJoinPath(folder, "index.html");
  if (!ZCLWriteFile(index, docs.indexPage()))
    return ZCLGeneratorFailed(st, "cannot write " + index);
  return ZILError(ZCL_OK);
}

}  // namespace

ZILError ZCLGenerateDocs(ZILState* ps, const ZILChar* path) {
  return ZCLRunGenerator(ps, "Generating HTML documentation...\n", [&](ZCLState* st) {
    if (!path || !*path)
      return ZILError(ZIL_ERR_Illegal_Argument);
    return generateDocs(st, path);
  });
}
