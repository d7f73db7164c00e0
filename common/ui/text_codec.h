#pragma once
// The widget boundary: QString in the controls, Windows-1251 bytes behind.
#include <QString>
#include <string>

#include "common/cp1251.h"

namespace vantrel {

inline std::string toCp(const QString& s) {
    return utf16ToCp1251(std::u16string_view(reinterpret_cast<const char16_t*>(s.utf16()), s.size()));
}

inline QString fromCp(const std::string& bytes) {
    QString out(qsizetype(bytes.size()), Qt::Uninitialized);
    cp1251ToUtf16(bytes, reinterpret_cast<char16_t*>(out.data()));
    return out;
}

// UI texts in the source are UTF-8.
inline QString ru(const char* utf8) { return QString::fromUtf8(utf8); }

}  // namespace vantrel
