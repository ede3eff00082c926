#include "platform/gdi/PictureFile.h"

#include "platform/fs/FileSystem.h"

namespace platform {

bool ReadPictureFile(std::string_view sjisPath, std::string& bytes) {
    return ReadRegularFile(sjisPath, bytes, kMaxPictureFileBytes);
}

} // namespace platform
