// Choosing the skin source; see the header for the order.
#include "app/skin_selection.h"

#include <filesystem>
#include <fstream>

#include "app/settings_store.h"

namespace ZTools {
namespace {

namespace fs = std::filesystem;

std::string Absolute(const std::string& path, const std::string& startFolder) {
  fs::path p(path);
  if (p.is_relative())
    p = fs::path(startFolder) / p;
  return p.lexically_normal().string();
}

bool Readable(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return in.good() && fs::is_regular_file(path);
}

std::unique_ptr<ZResourceSource> OpenPackageFile(const std::string& path) {
  return Readable(path) ? ZResourceSource::OpenPackage(path.c_str()) : nullptr;
}

}  // namespace

std::unique_ptr<ZResourceSource> OpenDefaultSkin(const SkinSearch& where, std::string* description) {
  // Beside the program (a build), then the installation's data folder relative to the program
  // (an installation moved to another prefix), then the one it was configured for.
  const std::string relocated = where.programFolder.empty()
                                    ? ""
                                    : (fs::path(where.programFolder) / "../share/sonabel").lexically_normal().string();
  for (const std::string& folder : {where.programFolder, relocated, where.dataFolder}) {
    if (folder.empty())
      continue;
    const std::string package = (fs::path(folder) / "Resources.zpac").string();
    if (auto source = OpenPackageFile(package)) {
      if (description)
        *description = package;
      return source;
    }
    const fs::path loose = fs::path(folder) / "Resources";
    if (fs::is_regular_file(loose / "main.zml")) {
      if (description)
        *description = loose.string();
      return ZResourceSource::OpenFolder((loose.string() + "/").c_str());
    }
  }
  return nullptr;
}

SkinSelection SelectSkin(const std::vector<std::string>& arguments, const SkinSearch& where) {
  SkinSelection chosen;
  if (!arguments.empty() && !arguments[0].empty()) {
    const std::string path = Absolute(arguments[0], where.startFolder);
    const std::string extension = fs::path(path).extension().string();
    if (extension == ".zpac") {
      StoreToRegistry(ZString(path), SettingKey("archive"));
      StoreToRegistry(ZString(""), SettingKey("windowrect"));
    } else if (extension == ".zml" && Readable(path)) {
      chosen.file = fs::path(path).filename().string();
      chosen.source = ZResourceSource::OpenFolder((fs::path(path).parent_path().string() + "/").c_str());
      chosen.description = path;
      return chosen;
    }
  }
  ZString archive;
  if (ReadFromRegistry(archive, SettingKey("archive")) == 0 && !archive.IsEmpty()) {
    if (auto source = OpenPackageFile(archive.CStr())) {
      chosen.source = std::move(source);
      chosen.description = archive.CStr();
      return chosen;
    }
    // A package that is gone or damaged: the default skin now, and at every later start.
    StoreToRegistry(ZString(""), SettingKey("archive"));
  }
  chosen.source = OpenDefaultSkin(where, &chosen.description);
  return chosen;
}

}  // namespace ZTools
