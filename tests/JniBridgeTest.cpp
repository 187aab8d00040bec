// Drives the Linux native method through a JNI environment that records what
// it is asked, for the cases a real JVM cannot produce on demand (no text from
// GetStringUTFChars) and for the pairing of every text taken with its release.
// The names are ASCII, which every default character set keeps as it is.

#include "kelxfer_FileDecompressor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Record {
    const char* text = nullptr; // what GetStringUTFChars hands out
    int taken = 0;
    std::vector<const char*> released;
    std::vector<std::u16string> created;
};

Record* g_record = nullptr;
_jstring g_createdString;

const char* JNICALL getStringUTFChars(JNIEnv*, jstring, jboolean*) {
    ++g_record->taken;
    return g_record->text;
}

void JNICALL releaseStringUTFChars(JNIEnv*, jstring, const char* chars) {
    g_record->released.push_back(chars);
}

jstring JNICALL newString(JNIEnv*, const jchar* units, jsize len) {
    g_record->created.emplace_back(units, units + len);
    return &g_createdString;
}

class FileDecompressorJni : public ::testing::Test {
protected:
    void SetUp() override {
        table.GetStringUTFChars = getStringUTFChars;
        table.ReleaseStringUTFChars = releaseStringUTFChars;
        table.NewString = newString;
        env.functions = &table;
        g_record = &record;
    }
    void TearDown() override { g_record = nullptr; }

    jstring utf16ToLocal(const char* text) {
        record.text = text;
        return Java_kelxfer_FileDecompressor_utf16ToLocal(&env, nullptr, &name);
    }

    JNINativeInterface_ table{};
    JNIEnv env{};
    _jstring name;
    Record record;
};

TEST_F(FileDecompressorJni, NullNameIsReturnedWithoutAskingTheJvm) {
    EXPECT_EQ(Java_kelxfer_FileDecompressor_utf16ToLocal(&env, nullptr, nullptr), nullptr);
    EXPECT_EQ(record.taken, 0);
}

TEST_F(FileDecompressorJni, NoTextFromTheJvmGivesTheNameAndNoRelease) {
    EXPECT_EQ(utf16ToLocal(nullptr), &name);
    EXPECT_EQ(record.taken, 1);
    EXPECT_TRUE(record.released.empty());
    EXPECT_TRUE(record.created.empty());
}

// An empty name and one that starts with U+0000 (0xC0 0x80 in modified UTF-8)
// store as nothing.
TEST_F(FileDecompressorJni, NameThatStoresAsNothingComesBackAsGivenAndIsReleased) {
    for (const char* text : {"", "\xC0\x80x"}) {
        record = Record();
        EXPECT_EQ(utf16ToLocal(text), &name) << '"' << text << '"';
        ASSERT_EQ(record.released.size(), 1u);
        EXPECT_EQ(record.released[0], text);
        EXPECT_TRUE(record.created.empty());
    }
}

TEST_F(FileDecompressorJni, StoredNameBecomesANewStringOfItsUnits) {
    const char text[] = "report 2024.txt";
    EXPECT_EQ(utf16ToLocal(text), &g_createdString);
    ASSERT_EQ(record.released.size(), 1u);
    EXPECT_EQ(record.released[0], text);
    ASSERT_EQ(record.created.size(), 1u);
    EXPECT_EQ(record.created[0], u"report 2024.txt");
}

TEST_F(FileDecompressorJni, LongNameIsCutToTheStoredLength) {
    const std::string text(5000, 'a');
    utf16ToLocal(text.c_str());
    ASSERT_EQ(record.created.size(), 1u);
    EXPECT_EQ(record.created[0], std::u16string(4095, u'a'));
}

} // namespace
