#pragma once
// Windows-1251, the one code page of the terminal: what goes on the wire in
// ASCII mode, into the three files and into the log.
#include <string>
#include <string_view>

namespace vantrel {

// Every byte maps to one UTF-16 unit.
std::u16string cp1251ToUtf16(std::string_view bytes);
// A character that Windows-1251 cannot hold becomes "?", never dropped.
std::string utf16ToCp1251(std::u16string_view text);

}  // namespace vantrel
