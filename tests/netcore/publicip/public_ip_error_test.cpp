#include "netcore/publicip/public_ip_error.h"

#include <gtest/gtest.h>

using namespace wirelark;

TEST(PublicIPError, DescribesItself) {
    EXPECT_EQ(PublicIPError::http(404).description(), "The server answered HTTP 404");
    EXPECT_EQ(PublicIPError::badURL().description(), "The lookup URL isn't valid");
    EXPECT_EQ(PublicIPError::malformed().description(), "The server's response couldn't be read");
    EXPECT_EQ(PublicIPError::noAddress().description(), "The response has no IP address");
    EXPECT_EQ(describe(NetworkError::timedOut()), "The request timed out.");
}

TEST(PublicIPError, EveryHttpFailureBecomesWhatTheLookupReports) {
    struct Case {
        HttpError http;
        LookupError lookup;
        const char* text;
    };
    const Case cases[] = {
        {HttpError::timedOut(), NetworkError::timedOut(), "The request timed out."},
        {HttpError::cancelled(), NetworkError::cancelled(), "The lookup was cancelled."},
        {HttpError::connection("Couldn't connect to 127.0.0.1: Connection refused"),
         NetworkError::connection("Couldn't connect to 127.0.0.1: Connection refused"),
         "Couldn't connect to 127.0.0.1: Connection refused"},
        {HttpError::badURL(), PublicIPError::badURL(), "The lookup URL isn't valid"},
        {HttpError::httpStatus(403), PublicIPError::http(403), "The server answered HTTP 403"},
        {HttpError::httpStatus(0), PublicIPError::http(0), "The server answered HTTP 0"},
        {HttpError::malformed(), PublicIPError::malformed(),
         "The server's response couldn't be read"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.http.description());
        const LookupError mapped = lookupErrorFrom(c.http);
        EXPECT_EQ(mapped, c.lookup);
        EXPECT_EQ(describe(mapped), c.text);
    }
}
