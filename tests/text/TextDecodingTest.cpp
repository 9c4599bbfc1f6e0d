#include "text/TextDecoding.h"

#include <gtest/gtest.h>

using namespace vxr;

TEST(TextDecoding, TellsUtf8FromWindows1252)
{
    for (const char *valid : {"", "plain", "caf\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xF4\x8F\xBF\xBF",
                              "\xED\x9F\xBF", "12345678\xC3\xA9"}) {
        EXPECT_TRUE(isValidUtf8(valid)) << valid;
    }
    for (const char *invalid : {"caf\xE9", "\xC3", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80",
                                "\xF5\x80\x80\x80", "\x80", "\xE2\x82", "12345678\xE2\x28\xA1"}) {
        EXPECT_FALSE(isValidUtf8(invalid)) << invalid;
    }

    EXPECT_EQ(decodeText("caf\xC3\xA9"), QStringLiteral(u"caf\u00E9"));
    EXPECT_EQ(decodeText("\x80\x8D\x9F\xA0\xFF"), QStringLiteral(u"\u20AC\u008D\u0178\u00A0\u00FF"));
    // One stray byte makes the whole text Windows-1252.
    EXPECT_EQ(decodeText("\xC3\xA9\xE9"), QStringLiteral(u"\u00C3\u00A9\u00E9"));
}
