#include "helper/pairing_state_text.h"

#include <gtest/gtest.h>

using namespace wirelark;

namespace {

TokenDigest::Digest filled(uint8_t byte) {
    TokenDigest::Digest digest;
    digest.fill(byte);
    return digest;
}

// 32 times the two digits: one digest's worth.
std::string repeated(const std::string& pair) {
    std::string text;
    for (int i = 0; i < 32; ++i) {
        text += pair;
    }
    return text;
}

} // namespace

TEST(PairingStateText, EncodesOneLowercaseHexDigestALine) {
    EXPECT_EQ(PairingStateText::encode({filled(0xab), filled(0x01)}),
              repeated("ab") + "\n" + repeated("01") + "\n");
    EXPECT_EQ(PairingStateText::encode({}), "");
}

TEST(PairingStateText, DecodingSkipsWhatIsNoDigest) {
    const struct {
        const char* what;
        std::string text;
        std::vector<TokenDigest::Digest> digests;
    } cases[] = {
        {"empty", "", {}},
        {"two lines", repeated("ab") + "\n" + repeated("01") + "\n", {filled(0xab), filled(0x01)}},
        {"no final newline", repeated("ff"), {filled(0xff)}},
        {"uppercase", repeated("AB") + "\n", {}},
        {"short line", repeated("ab").substr(2) + "\n" + repeated("01"), {filled(0x01)}},
        {"long line", repeated("ab") + "0\n", {}},
        {"not hex", repeated("zz") + "\n" + repeated("02"), {filled(0x02)}},
        {"blank lines", "\n\n" + repeated("03") + "\n\n", {filled(0x03)}},
        {"carriage return", repeated("04") + "\r\n", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PairingStateText::decode(c.text), c.digests) << c.what;
    }
}
