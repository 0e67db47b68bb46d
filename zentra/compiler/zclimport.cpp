// Imports and option statements. A native type is imported from the text its type proc gives
// (package list first, then "class Name : Base { declarations }"); any other name is a file
// read through the runtime's file-input callback, looked for beside the importing file, then in
// the current folder, then in the import folders. Every imported text is parsed with a fresh
// copy of the base options, so its option statements end with it.
#include "zentra/compiler/zclexplain.h"
#include "zentra/compiler/zclparse.h"
#include "ziltools.h"

#include <algorithm>

namespace {

constexpr int kMaxImportDepth = 64;
constexpr ZILLong kReadChunk = 1024;

std::string trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= 32)
    b++;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32)
    e--;
  return s.substr(b, e - b);
}

const char* procText(NTLTypeProc proc, ZILLong msg, ZILUnknown* in = nullptr) {
  ZILUnknown* out = nullptr;
  if (proc(nullptr, msg, 0, in, &out) != 0 || !out)
    return nullptr;
  return static_cast<const char*>(out);
}

ZILError fallbackToRuntime(void* user, const char* name, const char* value) {
  ZILError err = ZILSetOption(static_cast<ZILState*>(user), name, value);
  if (err == ZIL_ERR_Unknown_Option || err == ZIL_ERR_Invalid_Option_Value || err == 0)
    return err;
  return ZCL_WARN_Invalid_Option_Value;  // e.g. the runtime is already running
}

// The source text of a native type's import; its package list into *packages.
ZILError nativeText(ZCLState* st, const std::string& name, NTLTypeProc proc, std::string* text, std::string* packages) {
  const char* pk = procText(proc, NTL_GetPackageString);
  *packages = pk ? pk : "";
  // The declaration buffer the proc may append to with NTLDeclareVerbatim and friends.
  NTLDeclBuffer decl;
  NTLDeclInit(&decl, st->ps);
  const char* body = procText(proc, NTL_GetDeclString, &decl);
  std::string declaration = body ? body : NTLDeclText(&decl);
  NTLDeclRelease(&decl);
  const char* base = procText(proc, NTL_GetBaseName);
  *text = "class " + name;
  if (base && *base)
    *text += std::string(" : ") + base;
  *text += " { " + declaration + " } ";
  return ZCL_OK;
}

ZILError readFile(ZCLState* st, const std::string& fileName, std::string* text) {
  ZILState* ps = st->ps;
  if (!ps->fileInput)
    return ZCL_ERR_Unresolved_Import;
  void* handle = nullptr;
  if (ps->fileInput(ps, 0, fileName.c_str(), nullptr, 0, &handle, nullptr) != 0)
    return ZCL_ERR_Unresolved_Import;
  char buffer[kReadChunk];
  ZILError err = ZCL_OK;
  for (;;) {
    ZILLong done = 0;
    if (ps->fileInput(ps, 1, fileName.c_str(), buffer, kReadChunk, &handle, &done) != 0) {
      err = ZCL_ERR_Unresolved_Import;
      break;
    }
    done = std::clamp<ZILLong>(done, 0, kReadChunk);
    text->append(buffer, static_cast<size_t>(done));
    if (done != kReadChunk)
      break;
  }
  ps->fileInput(ps, 2, fileName.c_str(), nullptr, 0, &handle, nullptr);
  return err;
}

// The folder part of a file name ("" for a bare name), with its closing '/'.
std::string folderOf(const std::string& fileName) {
  size_t slash = fileName.rfind('/');
  return slash == std::string::npos ? std::string() : fileName.substr(0, slash + 1);
}

std::string joinFolder(const std::string& folder, const std::string& relative) {
  if (folder.empty())
    return relative;
  return folder.back() == '/' ? folder + relative : folder + "/" + relative;
}

// Reads the first of the places an imported file may be: the importing file's folder, the
// current folder, then the import folders in the order they were added. *tried lists every
// place looked at, for the message when none has it.
bool findFile(ZCLState* st, const std::string& relative, std::string* path, std::string* text, std::string* tried) {
  std::vector<std::string> places;
  if (st->file)
    places.push_back(joinFolder(folderOf(st->file->name), relative));
  places.push_back(relative);
  for (const std::string& folder : st->importFolders)
    places.push_back(joinFolder(folder, relative));
  for (size_t i = 0; i < places.size(); i++) {
    if (std::find(places.begin(), places.begin() + static_cast<long>(i), places[i]) !=
        places.begin() + static_cast<long>(i))
      continue;
    text->clear();
    if (readFile(st, places[i], text) == ZCL_OK) {
      *path = places[i];
      return true;
    }
    *tried += (tried->empty() ? "" : ", ") + places[i];
  }
  return false;
}

}  // namespace

ZILError ZCLApplyOptionStatement(ZCLState* st, const std::string& text, bool report) {
  std::vector<ZCLOptionRejection> rejected;
  ZCLApplyOptionString(&st->options.back(), text.c_str(), fallbackToRuntime, st->ps, &rejected);
  if (report)
    for (const ZCLOptionRejection& r : rejected)
      ZCLWarning(st, r.token.c_str(),
                 r.code == ZCL_WARN_Unknown_Option ? ZCL_WARN_Unknown_Option : ZCL_WARN_Invalid_Option_Value);
  return ZCL_OK;
}

ZILError ZCLImport(ZCLState* st, const std::string& name) {
  auto found = st->importIndex.find(name);
  ZCLImportEntry* entry = found == st->importIndex.end() ? nullptr : &st->imports[found->second];
  if (entry && (entry->done || entry->pass == st->pass || (st->pass == 1 && entry->native)))
    return ZCL_OK;
  if (!entry) {
    st->importIndex[name] = st->imports.size();
    st->imports.push_back(ZCLImportEntry{});
    entry = &st->imports.back();
    entry->name = name;
  }
  const size_t entryIndex = st->importIndex[name];
  if (st->importDepth >= kMaxImportDepth)
    return ZCLError(st, name.c_str(), ZCL_ERR_Unresolved_Import,
                    "imports nest more than " + std::to_string(kMaxImportDepth) + " deep");

  if (st->pass == 0 && entry->pass < 0) {
    NTLTypeProc proc = ZCLFindNativeProc(st, name.c_str());
    if (proc) {
      entry->native = true;
      entry->pass = 0;  // before the package list, which may import this name again
      std::string text, packages;
      ZILError err = nativeText(st, name, proc, &text, &packages);
      if (err)
        return ZCLError(st, name.c_str(), err);
      if (!trim(packages).empty()) {
        ZCLTypeDesc d;
        if (!ZCLLookupTypeName(st, name, &d)) {
          int id = 0;
          if ((err = ZCLCreateType(st, name, ZIL_FAMILY_CLASS, true, &id)))
            return err;
        }
        size_t from = 0;
        while (from <= packages.size()) {
          size_t comma = packages.find(',', from);
          if (comma == std::string::npos)
            comma = packages.size();
          std::string package = trim(packages.substr(from, comma - from));
          from = comma + 1;
          if (package.empty())
            continue;
          st->importDepth++;
          err = ZCLImport(st, package);
          st->importDepth--;
          if (err)
            return err;
        }
      }
      st->imports[entryIndex].text = std::move(text);
    } else {
      std::string hint = ZCLNameHint(st, name);
      if (!ZCLOptions(st).fileImport)
        return ZCLError(st, name.c_str(), ZCL_ERR_Unresolved_Import,
                        hint.empty() ? "not a native type, and the option file-import is off" : hint);
      std::string fileName = name;
      std::replace(fileName.begin(), fileName.end(), '.', '/');
      fileName += "." + ZCLOptions(st).fileExt;
      std::string path, text, tried;
      if (!findFile(st, fileName, &path, &text, &tried))
        return ZCLError(st, name.c_str(), ZCL_ERR_Unresolved_Import,
                        "no native type of this name and no file " + tried + (hint.empty() ? "" : "; " + hint));
      entry = &st->imports[entryIndex];
      entry->path = std::move(path);
      entry->text = std::move(text);
    }
  }

  entry = &st->imports[entryIndex];
  entry->pass = st->pass;
  ZCLFile file;
  ZCLFileOpen(&file, (entry->path.empty() ? entry->name : entry->path).c_str(), entry->text.data(), entry->text.size());
  st->allocs++;
  ZCLOption base = st->options.front();
  st->options.push_back(std::move(base));
  st->importDepth++;
  ZILError err = ZCLParseFile(st, &file);
  st->importDepth--;
  if (st->options.size() > 1)
    st->options.pop_back();
  ZCLFileClose(&file);
  st->frees++;
  entry = &st->imports[entryIndex];
  if (err == ZCL_OK && st->pass == 1) {
    entry->done = true;
    std::string().swap(entry->text);
  }
  if (err == ZCL_OK && entry->native) {
    ZCLTypeDesc d;
    NTLTypeProc proc = ZCLFindNativeProc(st, name.c_str());
    if (proc && ZCLLookupTypeName(st, name, &d) && d.type >= 0 && d.type < st->ps->types.count) {
      ZILTypeInfo* ti = ZILTypes(st->ps) + d.type;
      ti->interfaceVersion = proc(nullptr, NTL_GetInterfaceVersion, 0, nullptr, nullptr);
      ti->authorVersion = proc(nullptr, NTL_GetAuthorVersion, 0, nullptr, nullptr);
    }
    entry->done = true;
    std::string().swap(entry->text);
  }
  return err;
}
