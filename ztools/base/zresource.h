// ZResource: a ZFile that opens relative names for reading through the resource layer, so the
// file may come from the skin's package or its folder. Absolute names and the writing modes
// open a file on disk as ZFile does. Writing to a file of the skin does nothing.
#pragma once

#include <memory>

#include "ztools/base/zfile.h"
#include "ztools/base/zresourcefile.h"

namespace ZTools {

class ZResource : public ZFile {
 public:
  ZResource() = default;
  ~ZResource() override;

  int64_t Length() override;
  int64_t Position() override;
  int64_t Seek(int64_t position) override;
  int64_t Write(const void* buffer, int64_t count) override;  // a skin file: 0
  int64_t Read(void* buffer, int64_t count) override;

  // A relative path in mode 0 opens through the current resource source (kZErrFileOpenFailed when
  // it is not there, kZErrFileAlreadyOpen when a file is already open); anything else as
  // ZFile::Open on disk.
  int32_t Open(std::string_view path, int32_t mode, bool binary) override;
  int32_t Close() override;
  bool AtEnd() override;
  bool IsOpen() const override { return resource_ != nullptr || ZFile::IsOpen(); }

  // Reads from the position to the end into text. kZErrFileReadFailed when fewer bytes arrive than
  // the file announced, kZErrFileNotOpen when no file is open.
  int32_t ReadAll(ZString& text);

  bool IsOnDisk() const { return onDisk_; }

 private:
  std::unique_ptr<ZResourceFile> resource_;
  bool onDisk_ = false;
};

}  // namespace ZTools
