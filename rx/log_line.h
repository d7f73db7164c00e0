#pragma once
// The shape of one log line, for both directions, and the filter.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/clock.h"

namespace vantrel {

enum class OutputMode { Ascii, Hex };
enum class Direction { Rx, Tx };

// Received bytes as the text of an RX line: in ASCII a CR becomes CR LF, an LF
// nothing, a zero byte "<NULL>"; in HEX two upper-case digits each, separated
// by single blanks, with no blank after the last byte.
std::string renderRx(const std::uint8_t* bytes, std::size_t n, OutputMode mode);

// " [ hh:mm:ss:zzz < ] " or " [ hh:mm:ss:zzz > ] ", 20 characters.
std::string timePrefix(const LocalTime& t, Direction d);

// An RX line loses the LF that a final CR became; any other last character,
// a received blank included, stays. Then the prefix goes in front when
// `showTime`.
std::string completeRxLine(const std::string& rendered, bool showTime, const LocalTime& t);
// A TX line keeps every character.
std::string completeTxLine(const std::string& shown, bool showTime, const LocalTime& t);

// Empty filter passes everything; otherwise a case-sensitive byte substring.
bool passesFilter(const std::string& line, const std::string& filter);

}  // namespace vantrel
