#include "admin/token_digest.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

using namespace wirelark;

TEST(TokenDigest, EqualOnlyForTheSameBytesOfTheSameLength) {
    struct Case {
        const char* what;
        std::vector<uint8_t> a;
        std::vector<uint8_t> b;
        bool equal;
    };
    const Case cases[] = {
        {"equal", {1, 2, 3, 4}, {1, 2, 3, 4}, true},
        {"both empty", {}, {}, true},
        {"one empty", {}, {1}, false},
        {"prefix", {1, 2, 3}, {1, 2, 3, 4}, false},
        {"different last byte", {1, 2, 3, 4}, {1, 2, 3, 5}, false},
        {"different first byte", {0x80, 2, 3, 4}, {0, 2, 3, 4}, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TokenDigest::equal(c.a, c.b), c.equal) << c.what;
        EXPECT_EQ(TokenDigest::equal(c.b, c.a), c.equal) << c.what << ", swapped";
    }
}

TEST(TokenDigest, DigestIsSha256OfTheTokenText) {
    const auto digest = TokenDigest::digest("abc");
    ASSERT_TRUE(digest);
    const TokenDigest::Digest expected = {
        0xba, 0x78, 0x16, 0xbf, 0x8f, 0x01, 0xcf, 0xea, 0x41, 0x41, 0x40,
        0xde, 0x5d, 0xae, 0x22, 0x23, 0xb0, 0x03, 0x61, 0xa3, 0x96, 0x17,
        0x7a, 0x9c, 0xb4, 0x10, 0xff, 0x61, 0xf2, 0x00, 0x15, 0xad,
    };
    EXPECT_EQ(*digest, expected);
}

TEST(TokenDigest, GeneratesDistinctHexTokensWhoseDigestsMatchOnlyThemselves) {
    std::set<std::string> tokens;
    for (int i = 0; i < 8; ++i) {
        const auto token = TokenDigest::generateToken();
        ASSERT_TRUE(token);
        EXPECT_EQ(token->size(), 64u);
        EXPECT_EQ(token->find_first_not_of("0123456789abcdef"), std::string::npos) << *token;
        tokens.insert(*token);
    }
    EXPECT_EQ(tokens.size(), 8u);

    const auto first = TokenDigest::digest(*tokens.begin());
    const auto again = TokenDigest::digest(*tokens.begin());
    const auto other = TokenDigest::digest(*tokens.rbegin());
    ASSERT_TRUE(first && again && other);
    EXPECT_TRUE(TokenDigest::equal(*first, *again));
    EXPECT_FALSE(TokenDigest::equal(*first, *other));
}
