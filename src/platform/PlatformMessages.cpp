#include "platform/PlatformMessages.h"

namespace Sumirel::PlatformMessages {

SUMIREL_MESSAGE(kFilePrefix, "ファイル \"");
SUMIREL_MESSAGE(kCannotOpen, "\" を開けません。");
SUMIREL_MESSAGE(kCannotWrite, "\" に書き込めません。");
SUMIREL_MESSAGE(kIniCannotWrite, " に書き込めません");
SUMIREL_MESSAGE(kNotRegularFile, "通常のファイルではありません");

std::span<const MessageText* const> All() {
    static const MessageText* const all[] = {&kFilePrefixText, &kCannotOpenText, &kCannotWriteText,
                                             &kIniCannotWriteText, &kNotRegularFileText};
    return all;
}

}  // namespace Sumirel::PlatformMessages
