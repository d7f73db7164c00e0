#include "common/io_error.h"

#include <cerrno>
#include <cstring>

namespace vantrel {

std::string ioErrorText(int err) {
    switch (err) {
    case ENOENT: return "файл не найден";
    case ENOTDIR: return "неверный путь к файлу";
    case EACCES:
    case EPERM: return "нет доступа";
    case EISDIR: return "это папка, а не файл";
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return "нет места на диске";
    case EFBIG: return "файл превысил допустимый размер";
    case EROFS: return "диск только для чтения";
    case EMFILE:
    case ENFILE: return "открыто слишком много файлов";
    case EIO: return "ошибка ввода-вывода";
    case 0: return "неизвестная ошибка";
    default: return std::string("ошибка ") + std::to_string(err) + " (" + std::strerror(err) + ")";
    }
}

}  // namespace vantrel
