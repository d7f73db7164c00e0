#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "common/config_image.h"

namespace vantrel {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes slice(const Bytes& b, std::size_t at, std::size_t n) {
    return Bytes(b.begin() + std::ptrdiff_t(at), b.begin() + std::ptrdiff_t(at + n));
}

TEST(ConfigImage, EveryFieldLandsAtItsOffsetAndTouchesNothingElse) {
    struct Field {
        const char* name;
        std::size_t offset;
        std::function<void(ConfigImage&)> set;
        Bytes expected;
    };
    const std::vector<Field> fields = {
        {"PortName", 0, [](ConfigImage& c) { c.setPortName("COM7"); }, {4, 'C', 'O', 'M', '7', 0}},
        {"BaudIndex", 6, [](ConfigImage& c) { c.setBaudIndex(7); }, {7}},
        {"BitsIndex", 7, [](ConfigImage& c) { c.setBitsIndex(2); }, {2}},
        {"StopBitsIndex", 8, [](ConfigImage& c) { c.setStopBitsIndex(1); }, {1}},
        {"AutoConnectOn", 9, [](ConfigImage& c) { c.setAutoConnectOn(true); }, {1}},
        {"RxTimeoutMs", 12, [](ConfigImage& c) { c.setRxTimeoutMs(-300); }, {0xD4, 0xFE, 0xFF, 0xFF}},
        {"LogFilter", 16, [](ConfigImage& c) { c.setLogFilter("ok"); }, {2, 'o', 'k'}},
        {"LogFontSize", 268, [](ConfigImage& c) { c.setLogFontSize(14); }, {14, 0, 0, 0}},
        {"BackColor", 272, [](ConfigImage& c) { c.setBackColor(0xFF00000F); }, {0x0F, 0, 0, 0xFF}},
        {"TextColor", 276, [](ConfigImage& c) { c.setTextColor(0x00123456); }, {0x56, 0x34, 0x12, 0}},
        {"ShowTime", 280, [](ConfigImage& c) { c.setShowTime(true); }, {1}},
        {"OutputMode", 281, [](ConfigImage& c) { c.setOutputMode(2); }, {2}},
        {"SendModeCode", 282, [](ConfigImage& c) { c.setSendModeCode(4); }, {4}},
        {"PeriodMs", 284, [](ConfigImage& c) { c.setPeriodMs(70000); }, {0x70, 0x11, 0x01, 0}},
        {"SendOnConnect", 288, [](ConfigImage& c) { c.setSendOnConnect(true); }, {1}},
        {"CommandLine", 289, [](ConfigImage& c) { c.setCommandLine("AT\xC0"); }, {3, 'A', 'T', 0xC0}},
        {"PacketTail", 540, [](ConfigImage& c) { c.setPacketTail("$0D"); }, {3, '$', '0', 'D'}},
        {"ShowNames", 791, [](ConfigImage& c) { c.setShowNames(true); }, {1}},
        {"CurrentList", 792, [](ConfigImage& c) { c.setCurrentList(100); }, {100, 0, 0, 0}},
    };
    for (const auto& f : fields) {
        ConfigImage image;
        f.set(image);
        const Bytes file = image.fileBytes();
        ASSERT_EQ(file.size(), kConfigRecordSize) << f.name;
        EXPECT_EQ(slice(file, f.offset, f.expected.size()), f.expected) << f.name;
        for (std::size_t i = 0; i < file.size(); ++i) {
            if (i >= f.offset && i < f.offset + f.expected.size()) continue;
            EXPECT_EQ(file[i], 0) << f.name << " wrote byte " << i;
        }
    }
}

TEST(ConfigImage, SavedCom3SettingsGiveTheKnownFirstSixteenBytes) {
    ConfigImage image;
    image.setPortName("COM3");
    image.setBaudIndex(3);
    image.setBitsIndex(3);
    image.setStopBitsIndex(0);
    image.setAutoConnectOn(false);
    image.setRxTimeoutMs(10);
    const Bytes file = image.fileBytes();
    EXPECT_EQ(file.size(), 796u);
    const Bytes expected = {0x04, 0x43, 0x4F, 0x4D, 0x33, 0x00, 0x03, 0x03,
                            0x00, 0x00, 0x00, 0x00, 0x0A, 0x00, 0x00, 0x00};
    EXPECT_EQ(slice(file, 0, 16), expected);
}

TEST(ConfigImage, LongPortNamesSurviveOnlyThroughTheExtension) {
    struct Case {
        std::string name;
        Bytes recordName;        // the six record bytes
        std::string bareRecord;  // restored from the 796-byte record alone
    };
    const std::vector<Case> cases = {
        {"COM12", {5, 'C', 'O', 'M', '1', 0}, "COM1"},
        {"/dev/ttyUSB0", {5, '/', 'd', 'e', 'v', 0}, "/dev"},
        {"/dev/serial/by-id/" + std::string(300, 'x'), {5, '/', 'd', 'e', 'v', 0}, "/dev"},
    };
    for (const auto& c : cases) {
        ConfigImage saved;
        saved.setPortName(c.name);
        const Bytes file = saved.fileBytes();
        ASSERT_EQ(file.size(), kConfigRecordSize + kConfigExtensionSize) << c.name;
        EXPECT_EQ(slice(file, 0, 6), c.recordName) << c.name;

        ConfigImage withBlock;
        ASSERT_TRUE(withBlock.loadFileBytes(file));
        EXPECT_EQ(withBlock.portName(), c.name.substr(0, 255));

        ConfigImage bare;
        ASSERT_TRUE(bare.loadFileBytes(slice(file, 0, kConfigRecordSize)));
        EXPECT_EQ(bare.portName(), c.bareRecord);
    }
}

TEST(ConfigImage, ShortNamesWriteTheBareRecordAndRestoreFourCharacters) {
    ConfigImage saved;
    saved.setPortName("COM3");
    EXPECT_FALSE(saved.needsExtension());
    ConfigImage loaded;
    ASSERT_TRUE(loaded.loadFileBytes(saved.fileBytes()));
    EXPECT_EQ(loaded.portName(), "COM3");

    // A fifth character and a stray byte 5 on disk are both dropped.
    Bytes file(kConfigRecordSize, 0);
    const Bytes name = {5, 'C', 'O', 'M', '1', '2'};
    std::copy(name.begin(), name.end(), file.begin());
    ASSERT_TRUE(loaded.loadFileBytes(file));
    EXPECT_EQ(loaded.portName(), "COM1");
    EXPECT_EQ(loaded.record()[5], 0);
}

TEST(ConfigImage, ExtensionOfAnotherNameIsIgnored) {
    ConfigImage saved;
    saved.setPortName("/dev/ttyACM0");
    saved.setTypedBaud(250000);
    Bytes file = saved.fileBytes();
    // Another program rewrote the record alone, with a different port.
    const Bytes com3 = {4, 'C', 'O', 'M', '3', 0};
    std::copy(com3.begin(), com3.end(), file.begin());
    ConfigImage loaded;
    ASSERT_TRUE(loaded.loadFileBytes(file));
    EXPECT_EQ(loaded.portName(), "COM3");
    EXPECT_EQ(loaded.typedBaud(), 0u);
}

TEST(ConfigImage, TypedBaudRateTravelsInTheExtension) {
    ConfigImage saved;
    saved.setPortName("COM3");
    saved.setBaudIndex(-1);
    saved.setTypedBaud(250000);
    const Bytes file = saved.fileBytes();
    ASSERT_EQ(file.size(), 1056u);
    EXPECT_EQ(file[6], 255) << "no selection is stored as 255";
    EXPECT_EQ(slice(file, 1052, 4), (Bytes{0x90, 0xD0, 0x03, 0x00}));
    ConfigImage loaded;
    ASSERT_TRUE(loaded.loadFileBytes(file));
    EXPECT_EQ(loaded.typedBaud(), 250000u);
    EXPECT_EQ(loaded.baudIndex(), 255);
    EXPECT_EQ(loaded.portName(), "COM3");
}

TEST(ConfigImage, TextsAreCutAt250WithoutSpillingIntoTheNextField) {
    ConfigImage image;
    image.setPacketTail("tail");
    image.setCommandLine(std::string(300, 'c'));
    image.setLogFilter(std::string(251, 'f'));
    EXPECT_EQ(image.commandLine(), std::string(250, 'c'));
    EXPECT_EQ(image.logFilter(), std::string(250, 'f'));
    EXPECT_EQ(image.packetTail(), "tail");
    EXPECT_EQ(image.record()[267], 0) << "padding after the filter";
}

TEST(ConfigImage, PaddingAndUnsetFieldsAreWrittenBackAsLoaded) {
    Bytes file(kConfigRecordSize, 0);
    for (std::size_t at : {10u, 11u, 267u, 283u}) file[at] = std::uint8_t(0xA0 + at % 16);
    file[config_offset::CurrentList] = 42;
    ConfigImage image;
    ASSERT_TRUE(image.loadFileBytes(file));
    image.setPortName("COM2");
    image.setRxTimeoutMs(5);
    const Bytes saved = image.fileBytes();
    for (std::size_t at : {10u, 11u, 267u, 283u}) EXPECT_EQ(saved[at], file[at]) << at;
    EXPECT_EQ(saved[config_offset::CurrentList], 42);
}

// Files in a scratch directory of their own.
class ConfigFile : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("config_image_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        path_ = (dir_ / kConfigFileName).string();
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    void put(const Bytes& b) {
        std::ofstream(path_, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
    }
    Bytes get() const {
        std::ifstream in(path_, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    std::filesystem::path dir_;
    std::string path_;
};

TEST_F(ConfigFile, ReadTellsMissingUnusableAndLoadedApart) {
    EXPECT_EQ(readConfigFile(path_).status, ConfigReadStatus::Missing);

    put(Bytes(kConfigRecordSize, 0));  // created at a start whose close never came
    EXPECT_EQ(readConfigFile(path_).status, ConfigReadStatus::Unusable);

    Bytes shortFile(795, 0);
    shortFile[0] = 4;
    put(shortFile);
    EXPECT_EQ(readConfigFile(path_).status, ConfigReadStatus::Unusable);

    Bytes good(kConfigRecordSize, 0);
    good[config_offset::CurrentList] = 7;
    put(good);
    const auto r = readConfigFile(path_);
    EXPECT_EQ(r.status, ConfigReadStatus::Loaded);
    EXPECT_EQ(r.image.currentList(), 7);

    std::filesystem::remove(path_);
    std::filesystem::create_directory(path_);
    EXPECT_EQ(readConfigFile(path_).status, ConfigReadStatus::Unusable);
}

TEST_F(ConfigFile, WriteReplacesTheFileWithExactlyTheImage) {
    put(Bytes(2000, 0x55));  // longer than what is written: nothing may remain
    ConfigImage image;
    image.setPortName("COM5");
    image.setCurrentList(3);
    EXPECT_EQ(writeConfigFile(path_, image), "");
    EXPECT_EQ(get(), image.fileBytes());
    EXPECT_FALSE(std::filesystem::exists(path_ + ".tmp"));
    const auto r = readConfigFile(path_);
    ASSERT_EQ(r.status, ConfigReadStatus::Loaded);
    EXPECT_EQ(r.image.portName(), "COM5");
}

TEST_F(ConfigFile, FailedWriteReportsAndKeepsTheOldFile) {
    Bytes old(kConfigRecordSize, 0);
    old[config_offset::CurrentList] = 9;
    put(old);
    std::filesystem::create_directory(path_ + ".tmp");  // the temporary cannot be created
    ConfigImage image;
    image.setCurrentList(1);
    EXPECT_NE(writeConfigFile(path_, image), "");
    EXPECT_EQ(get(), old);

    std::filesystem::remove(path_ + ".tmp");
    std::filesystem::remove(path_);
    std::filesystem::create_directory(path_);  // the rename cannot replace it
    EXPECT_NE(writeConfigFile(path_, image), "");
    EXPECT_TRUE(std::filesystem::is_directory(path_));
    EXPECT_FALSE(std::filesystem::exists(path_ + ".tmp"));
}

}  // namespace
}  // namespace vantrel
