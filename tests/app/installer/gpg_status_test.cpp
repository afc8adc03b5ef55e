#include "app/installer/gpg_status.h"
#include "app/installer/package_signature.h"

#include <gtest/gtest.h>

namespace wirelark {
namespace {

constexpr std::string_view kGood =
    "[GNUPG:] NEWSIG sign@example.com\n"
    "[GNUPG:] KEY_CONSIDERED 6EEA87D83EAEABD46F7DE7004BAAE5857CE9070B 0\n"
    "[GNUPG:] SIG_ID 0JmqLWMS/0bZlo26+YQHNwwysEw 2026-12-11 1796952853\n"
    "[GNUPG:] GOODSIG 4BAAE5857CE9070B Wirelark Signing (TEAMID0000) <sign@example.com>\n"
    "[GNUPG:] VALIDSIG 6EEA87D83EAEABD46F7DE7004BAAE5857CE9070B 2026-12-11 1796952853 0 4 0 22 8 "
    "00 5A04B9DBA186B459F4D78C234321476567CC8FFF\n";

TEST(GpgStatusTest, ReadsEachSignatureFromGpgvsStatusLines) {
    GpgSignature good{.good = true,
                      .valid = true,
                      .failed = false,
                      .userID = "Wirelark Signing (TEAMID0000) <sign@example.com>",
                      .fingerprint = "6EEA87D83EAEABD46F7DE7004BAAE5857CE9070B",
                      .primaryFingerprint = "5A04B9DBA186B459F4D78C234321476567CC8FFF"};
    GpgSignature unknownKey{.failed = true};
    GpgSignature escaped{.good = true, .userID = "A%B (T)\n"};
    struct Case {
        std::string text;
        std::vector<GpgSignature> signatures;
    };
    const std::vector<Case> cases = {
        {std::string(kGood), {good}},
        {"", {}},
        {"gpgv: Good signature from \"x\"\n[GNUPG:] TRUST_UNDEFINED\n", {}},
        {"[GNUPG:] NEWSIG\n[GNUPG:] ERRSIG 4321476567CC8FFF 22 8 00 1796952853 9 5A04\n"
         "[GNUPG:] NO_PUBKEY 4321476567CC8FFF\n",
         {unknownKey}},
        // No NEWSIG before the first signature, and a second signature after it.
        {"[GNUPG:] GOODSIG 1 A%25B (T)%0A\r\n[GNUPG:] NEWSIG\n[GNUPG:] BADSIG 2 x",
         {escaped, unknownKey}},
        {"[GNUPG:] NEWSIG\n[GNUPG:] GOODSIG 4BAA Someone\n[GNUPG:] EXPKEYSIG 4BAA Someone\n",
         {GpgSignature{.good = true, .failed = true, .userID = "Someone"}}},
        {"[GNUPG:] GOODSIG\n[GNUPG:] VALIDSIG\n%zz", {GpgSignature{.good = true, .valid = true}}},
    };
    for (const Case& test : cases) {
        EXPECT_EQ(parseGpgStatus(test.text), test.signatures) << test.text;
    }
}

TEST(GpgStatusTest, OnlyGoodValidSignaturesNamingTheTeamAreTrusted) {
    const std::vector<GpgSignature> good = parseGpgStatus(kGood);
    auto with = [&](auto change) {
        std::vector<GpgSignature> signatures = good;
        change(signatures.front());
        return signatures;
    };
    struct Case {
        std::vector<GpgSignature> signatures;
        std::string team;
        bool trusted;
    };
    const std::vector<Case> cases = {
        {good, "TEAMID0000", true},
        {good, "OTHERTEAM", false},
        {good, "TEAMID", false},
        {good, "", false},
        {{}, "TEAMID0000", false},
        {with([](GpgSignature& s) { s.valid = false; }), "TEAMID0000", false},
        {with([](GpgSignature& s) { s.failed = true; }), "TEAMID0000", false},
        {with([](GpgSignature& s) { s.good = false; }), "TEAMID0000", false},
        {with([](GpgSignature& s) { s.userID = "Wirelark TEAMID0000 <x@y>"; }), "TEAMID0000",
         false},
        {{good.front(), GpgSignature{.failed = true}}, "TEAMID0000", false},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(signaturesTrusted(cases[i].signatures, cases[i].team), cases[i].trusted)
            << "case " << i;
    }
}

} // namespace
} // namespace wirelark
