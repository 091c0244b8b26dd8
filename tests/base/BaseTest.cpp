// The event primitive, UTF-16 text conversion and the conversion's failure report.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "base/Event.h"
#include "base/Text.h"

namespace {

using namespace std::chrono_literals;

TEST(EventTest, AutoResetWakesOneWaiterAndIsConsumed)
{
    CEvent event(false, false);
    EXPECT_FALSE(event.Wait(0));
    event.Set();
    EXPECT_TRUE(event.Wait(0));
    EXPECT_FALSE(event.Wait(0));  // consumed by the first wait
}

TEST(EventTest, ManualResetStaysSetForEveryWaiterUntilReset)
{
    CEvent event(true, false);
    std::atomic<int> woken{0};
    std::thread a([&] { woken += event.Wait(INFINITE_WAIT) ? 1 : 0; });
    std::thread b([&] { woken += event.Wait(INFINITE_WAIT) ? 1 : 0; });
    std::this_thread::sleep_for(20ms);
    event.Set();
    a.join();
    b.join();
    EXPECT_EQ(woken.load(), 2);
    EXPECT_TRUE(event.Wait(0));
    event.Reset();
    EXPECT_FALSE(event.IsSet());
}

TEST(EventTest, TimedWaitTimesOut)
{
    CEvent event(true, false);
    const auto before = std::chrono::steady_clock::now();
    EXPECT_FALSE(event.Wait(30));
    EXPECT_GE(std::chrono::steady_clock::now() - before, 25ms);
}

TEST(TextTest, RoundTripsNonAsciiAndSurrogatePairs)
{
    const std::u16string text = u"Kapitel \u00e9\u00e8 \u041a\u043d\u0438\u0433\u0430 \U0001F3A7 \"q\" 'x'";
    const std::string utf8 = ToUtf8(text);
    EXPECT_EQ(utf8, "Kapitel \xc3\xa9\xc3\xa8 \xd0\x9a\xd0\xbd\xd0\xb8\xd0\xb3\xd0\xb0 \xf0\x9f\x8e\xa7 \"q\" 'x'");
    EXPECT_EQ(FromUtf8(utf8), text);
    EXPECT_EQ(FromPath(ToPath(text)), text);
}

TEST(TextTest, FileNamesThatAreNotUtf8SurviveTheRoundTrip)
{
    // A Latin-1 name, an overlong "../" and an encoded surrogate: each byte
    // that is not well-formed UTF-8 stands for itself.
    for (const std::string name : {"Caf\xe9.mp3", "\xc0\xae\xc0\xae\xc0\xafx.mp3", "\xed\xa0\x80.wav",
                                   "\xf4\x90\x80\x80", "a\xff" "b", "\xe2\x82"}) {
        const std::u16string text = FromUtf8(name);
        EXPECT_EQ(ToPath(text).native(), name);
        EXPECT_EQ(text.find(u'/'), std::u16string::npos);
    }
    EXPECT_EQ(FromUtf8("\xc0\xaf"), u"\xDCC0\xDCAF");  // never a "/"
    // As text, such bytes show as replacement characters.
    EXPECT_EQ(ToUtf8(FromUtf8("Caf\xe9")), "Caf\xef\xbf\xbd");
    EXPECT_EQ(ToUtf8(std::u16string(1, char16_t(0xD800))), "\xef\xbf\xbd");
}

TEST(TextTest, FormatsTheFirstPathPlaceholder)
{
    EXPECT_EQ(FormatWithPath(u"Can't read file %ls", u"/a b/c.mp3"), u"Can't read file /a b/c.mp3");
    EXPECT_EQ(FormatWithPath(u"no placeholder", u"x"), u"no placeholder");
}

}  // namespace
