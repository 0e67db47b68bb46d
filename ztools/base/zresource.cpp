// ZResource: each operation goes to the skin file when one is open, else to ZFile's disk file.
#include "ztools/base/zresource.h"

#include <vector>

#include "ztools/base/zerror.h"
#include "ztools/base/zresourcesource.h"

namespace ZTools {

ZResource::~ZResource() = default;

int64_t ZResource::Length() { return resource_ ? resource_->Length() : ZFile::Length(); }

int64_t ZResource::Position() { return resource_ ? resource_->Tell() : ZFile::Position(); }

int64_t ZResource::Seek(int64_t position) {
  if (!resource_)
    return ZFile::Seek(position);
  resource_->Seek(position < 0 ? 0 : position, SEEK_SET);
  return resource_->Tell();
}

int64_t ZResource::Write(const void* buffer, int64_t count) { return resource_ ? 0 : ZFile::Write(buffer, count); }

int64_t ZResource::Read(void* buffer, int64_t count) {
  if (!resource_)
    return ZFile::Read(buffer, count);
  if (!buffer || count <= 0)
    return 0;
  return static_cast<int64_t>(resource_->Read(1, static_cast<size_t>(count), buffer));
}

int32_t ZResource::Open(std::string_view path, int32_t mode, bool binary) {
  try {
    if (IsOpen())
      throw ZError(kZErrFileAlreadyOpen);
    bool relative = path.empty() || (path.front() != '/' && path.front() != '\\');
    if (relative && mode == kZFileRead) {
      resource_ = ZOpenResourceFile(path);
      if (!resource_)
        throw ZError(kZErrFileOpenFailed);
      onDisk_ = false;
      return 0;
    }
    int32_t result = ZFile::Open(path, mode, binary);
    if (result == 0)
      onDisk_ = true;
    return result;
  } catch (const ZError& error) {
    return error.Code();
  }
}

int32_t ZResource::Close() {
  if (!resource_)
    return ZFile::Close();
  resource_.reset();
  return 0;
}

bool ZResource::AtEnd() { return resource_ ? resource_->AtEnd() : ZFile::AtEnd(); }

int32_t ZResource::ReadAll(ZString& text) {
  text.Clear();
  try {
    if (!IsOpen())
      throw ZError(kZErrFileNotOpen);
    int64_t announced = Length() - Position();
    if (announced <= 0)
      return 0;
    std::vector<char> bytes(static_cast<size_t>(announced));
    if (Read(bytes.data(), announced) != announced)
      throw ZError(kZErrFileReadFailed);
    text.Assign(std::string_view(bytes.data(), bytes.size()));
    return 0;
  } catch (const ZError& error) {
    return error.Code();
  } catch (const std::bad_alloc&) {
    return kZErrOutOfMemory;
  }
}

}  // namespace ZTools
