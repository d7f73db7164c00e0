#pragma once
// The macro store: 100 lists of 48 macros (name, command line, 12 help lines),
// kept in memory as one block laid out exactly like the file CmdConfig.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "common/io_error.h"

namespace vantrel {

class Messages;

namespace macro_layout {
inline constexpr int kLists = 100;
inline constexpr int kMacros = 48;
inline constexpr int kHelpLines = 12;

inline constexpr std::size_t kListNameOffset = 0;
inline constexpr std::size_t kListNameCapacity = 151;
inline constexpr std::size_t kCmdLinesOffset = 152;
inline constexpr std::size_t kCmdLineCapacity = 251;
inline constexpr std::size_t kCmdLineSize = 252;
inline constexpr std::size_t kCmdNamesOffset = 12248;
inline constexpr std::size_t kCmdNameCapacity = 51;
inline constexpr std::size_t kCmdNameSize = 52;
inline constexpr std::size_t kCmdHelpOffset = 14744;
inline constexpr std::size_t kHelpLineCapacity = 151;
inline constexpr std::size_t kHelpLineSize = 152;
inline constexpr std::size_t kHelpPerMacro = kHelpLineSize * kHelpLines;  // 1824
inline constexpr std::size_t kListMarkOffset = 102500;
inline constexpr std::int32_t kListMark = 12345;

inline constexpr std::size_t kRecordSize = 102580;
inline constexpr std::size_t kStoreSize = kRecordSize * kLists;  // 10,258,000
}  // namespace macro_layout

// The file name, resolved against the current directory at each load and save.
inline constexpr const char* kMacroFileName = "CmdConfig";

// Russian texts shown by the store (UTF-8).
inline constexpr const char* kMacroFileBadText = "Проблема с файлом конфигурации, он будет перезаписан";
inline constexpr const char* kMacroSaveFailedText = "Не удалось сохранить макросы в файл CmdConfig";
// Beneath kMacroFileBadText when the old file was kept: followed by its new name.
inline constexpr const char* kMacroFileKeptText = "Прежний файл сохранён под именем ";

using StoreIoResult = FileResult;

// Writes `size` bytes to `path` so that the old file stays whole until the new
// one is complete: a sibling "<path>.tmp" is written, flushed to disk and
// renamed over `path`.
StoreIoResult replaceFileAtomically(const std::string& path, const std::uint8_t* data,
                                    std::size_t size);

class MacroStore {
public:
    // A store of 100 reset lists (List 1 .. List 100, mark set, everything
    // else zero), allocated once for the whole run.
    MacroStore();

    // Text accessors. Lists 1..100, macros 1..48, help lines 1..12; text is
    // Windows-1251 bytes and is cut to the field's capacity when stored.
    // Numbers out of range read as empty text and are not written.
    std::string GetCmdLine(int list, int macro) const;
    void SetCmdLine(int list, int macro, std::string_view text);
    std::string GetCmdName(int list, int macro) const;
    void SetCmdName(int list, int macro, std::string_view text);
    std::string GetHelpLine(int list, int macro, int line) const;
    void SetHelpLine(int list, int macro, int line, std::string_view text);
    std::string GetListName(int list) const;
    void SetListName(int list, std::string_view text);
    std::int32_t GetListMark(int list) const;

    // Empties every text of one list; mark and reserved bytes stay.
    void ClrListCmd(int list);
    // All lists become empty lists named "List n" with the mark set.
    void ResetMacroStore();

    // Reads the whole file into the store. Returns false when the file is
    // missing, unreadable, shorter than 100 records or a mark is wrong; the
    // store then holds the readable part and must be reset by the caller.
    bool readFile(const std::string& path);
    // Rewrites the file with all 100 lists; the old file survives a failure.
    StoreIoResult writeFile(const std::string& path) const;

    // Start-up load: a bad file is reported once through `messages`, kept as
    // "<path>.bak" (or .bak2, ...) when it is a non-empty file, the store is
    // reset and the file rewritten; a failed rewrite is reported too.
    // Returns false when the file was bad.
    bool LoadMacroStore(Messages& messages, const std::string& path = kMacroFileName);
    // Rewrites the file; a failure is reported with the system's error text.
    bool SaveMacroStore(Messages& messages, const std::string& path = kMacroFileName) const;

    // The raw block, 10,258,000 bytes, as it stands in the file.
    const std::uint8_t* data() const { return block_.get(); }

private:
    std::uint8_t* record(int list) const;
    static bool validMacro(int list, int macro);

    std::unique_ptr<std::uint8_t[]> block_;
};

}  // namespace vantrel
