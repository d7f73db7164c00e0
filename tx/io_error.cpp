#include "tx/io_error.h"

#include <cerrno>
#include <cstring>

namespace vantrel {

std::string ioErrorText(int err) {
    switch (err) {
    case ENOENT: return "файл не найден";
    case EACCES:
    case EPERM: return "нет доступа";
    case EISDIR: return "это папка, а не файл";
    case ENOSPC: return "нет места на диске";
    case EROFS: return "диск только для чтения";
    case EMFILE:
    case ENFILE: return "открыто слишком много файлов";
    case EIO: return "ошибка ввода-вывода";
    case 0: return "неизвестная ошибка";
    default: return std::string("ошибка ") + std::to_string(err) + " (" + std::strerror(err) + ")";
    }
}

}  // namespace vantrel
