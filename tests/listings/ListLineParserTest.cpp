#include "Classes/Others/ListLineParser.h"
#include "tests/listings/ListingTestClock.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();

struct LineCase {
    const char* line = "";
    int result = 0;
    const char* name = "";
    std::int64_t size = 0;
    int sizeType = 0;
    int tryCwd = 0;
    int tryRetr = 0;
    int mtimeType = 0;
    std::int64_t mtime = 0;
};

std::string describe(const LineCase& c) { return std::string("line: \"") + c.line + "\""; }

void expectLine(const LineCase& c)
{
    SCOPED_TRACE(describe(c));
    const std::string line(c.line);
    ListLineInfo info;
    ASSERT_EQ(parseListLine(info, line.data(), line.size()), c.result);
    if (c.result != 1) return;
    EXPECT_EQ(std::string(info.name, static_cast<std::size_t>(info.nameLength)), c.name);
    EXPECT_EQ(info.size, c.size);
    EXPECT_EQ(info.sizeType, c.sizeType);
    EXPECT_EQ(info.tryCwd, c.tryCwd);
    EXPECT_EQ(info.tryRetr, c.tryRetr);
    EXPECT_EQ(info.mtimeType, c.mtimeType);
    EXPECT_EQ(info.mtime, c.mtime);
    EXPECT_GE(info.size, 0);
}

class ListLineParserTest : public ::testing::Test {
protected:
    // Today is 2023-12-08, noon UTC.
    ScopedListingNow now_ { utc(2023, 12, 8, 12, 0) };
};

TEST_F(ListLineParserTest, UnixLayout)
{
    const LineCase cases[] = {
        { "-rw-r--r--   1 web      staff       1024 Mar  5 14:07 index.html", 1, "index.html", 1024, 1, 0, 1, 2, utc(2023, 3, 5, 14, 7) },
        { "drwxr-xr-x   3 web      4096 Jun 12  2009 images", 1, "images", 4096, 1, 1, 0, 3, utc(2009, 6, 12) },
        { "lrwxrwxrwx   1 web      staff          9 Feb  2 09:30 docs -> share/doc", 1, "docs", 9, 1, 1, 1, 2, utc(2023, 2, 2, 9, 30) },
        { "lrwxrwxrwx   1 web      staff          9 Feb  2 09:30 docs", 1, "docs", 9, 1, 1, 1, 2, utc(2023, 2, 2, 9, 30) },
        { "drwxrwxr-x               folder        5 Oct 21  2001 scripts", 1, "scripts", 5, 1, 1, 0, 3, utc(2001, 10, 21) },
        { "d [RWCEAFMS] admin               4096       Nov 30 07:45    public", 1, "public", 4096, 1, 1, 0, 2, utc(2023, 11, 30, 7, 45) },
        { "- [RWCEAFMS] admin 123 Nov 30 07:45    notes.txt", 1, "notes.txt", 123, 1, 0, 1, 2, utc(2023, 11, 30, 7, 45) },
        { "-rw-r--r-- 1 a b 10 Jan 15 9:30 x", 1, "x", 10, 1, 0, 1, 2, utc(2023, 1, 15, 9, 30) },
        // Further spaces belong to the name.
        { "-rw-r--r-- 1 a b 10 Jan 15 09:30  two  spaces", 1, " two  spaces", 10, 1, 0, 1, 2, utc(2023, 1, 15, 9, 30) },
        { "prw-r--r-- 1 a b 0 Jan 15 2020 pipe", 1, "pipe", 0, 1, 0, 0, 3, utc(2020, 1, 15) },
        // Sizes of 2 GiB and more, and years past 2038, need 64 bits.
        { "-rw-r--r-- 1 a b 5368709120 Jan 15  2020 big.iso", 1, "big.iso", 5368709120LL, 1, 0, 1, 3, utc(2020, 1, 15) },
        { "-rw-r--r-- 1 a b 2147483648 Feb 29  2040 leap", 1, "leap", 2147483648LL, 1, 0, 1, 3, utc(2040, 2, 29) },
        // Long digit runs saturate instead of wrapping.
        { "-rw-r--r-- 1 a b 99999999999999999999999 Jan 15  2020 huge", 1, "huge", kMax, 1, 0, 1, 3, utc(2020, 1, 15) },
        { "-rw-r--r-- 1 a b 1 Jan 15 99999999999999999999 far", 1, "far", 1, 1, 0, 1, 3, kMax },
        // A time-or-year column of fewer than 4 bytes, or no name after it.
        { "-rw-r--r-- 1 a b 10 Jan 15 200 x", 0 },
        { "-rw-r--r-- 1 a b 10 Jan 15 09:30", 0 },
        { "-rw-r--r-- 1 a b 10", 0 },
    };
    for (const auto& c : cases) expectLine(c);
}

TEST_F(ListLineParserTest, EplfLayout)
{
    ListLineInfo info;
    const std::string src = "+i17.4,m86400,/,\tsrc";
    ASSERT_EQ(parseListLine(info, src.data(), src.size()), 1);
    EXPECT_EQ(std::string(info.name, static_cast<std::size_t>(info.nameLength)), "src");
    EXPECT_EQ(info.tryCwd, 1);
    EXPECT_EQ(info.mtimeType, 1);
    EXPECT_EQ(info.mtime, 86400);
    EXPECT_EQ(info.idType, 1);
    EXPECT_EQ(std::string(info.id, static_cast<std::size_t>(info.idLength)), "17.4");

    const LineCase cases[] = {
        { "+s1234,r,\tfile.txt", 1, "file.txt", 1234, 1, 0, 1, 0, 0 },
        { "+s99999999999999999999999,\tbig", 1, "big", kMax, 1, 0, 0, 0, 0 },
        { "+s5000000000,m99999999999999999999,\tlate", 1, "late", 5000000000LL, 1, 0, 0, 1, kMax },
        // A fact not followed by "," is not evaluated.
        { "+/\tdir", 1, "dir", 0, 0, 0, 0, 0, 0 },
        { "+,,r,\t", 1, "", 0, 0, 0, 1, 0, 0 },
        { "+m1,/,", 0 },
    };
    for (const auto& c : cases) expectLine(c);
}

TEST_F(ListLineParserTest, NumberFieldsAreNeverNegative)
{
    // Bytes below "0" used to pull a field negative.
    for (const char* line : { "+s-5,\tx", "+s!!!!,\tx", "-rw-r--r-- 1 a b -77 Jan 15  2020 x", "01-02-20  01:00AM  -1 x" }) {
        SCOPED_TRACE(line);
        ListLineInfo info;
        ASSERT_EQ(parseListLine(info, line, std::string(line).size()), 1);
        EXPECT_GE(info.size, 0);
    }
}

// A malformed number field is read by the field arithmetic (value * 10 + byte - "0" for every
// byte) and only the result is kept in range: a negative size gives 0, while a time field that
// goes negative moves the time back by what it weighs.
TEST_F(ListLineParserTest, MalformedFieldsFollowTheFieldArithmetic)
{
    const LineCase cases[] = {
        // Minute "-5" weighs (-3) * 10 + 5 = -25.
        { "03-22-98  04:-5PM  2048 notes.txt", 1, "notes.txt", 2048, 1, 0, 1, 2, utc(1998, 3, 22, 15, 35) },
        { "-rw-r--r-- 1 a b 10 Jan 15 09:-5 x", 1, "x", 10, 1, 0, 1, 2, utc(2023, 1, 15, 8, 35) },
        { "-rw-r--r-- 1 a b 10 Jan 15 9:-5 x", 1, "x", 10, 1, 0, 1, 2, utc(2023, 1, 15, 8, 35) },
        { "NOTES.TXT;3  5/12  02-JUL-1999 18:-4:59  [ADMIN]", 1, "NOTES.TXT", 0, 0, 0, 1, 2, utc(1999, 7, 2, 17, 34) },
        // A space before "PM" or "AM" ends the minute: "00 " is -16, "15 " is 134.
        { "03-22-98  12:00 PM  2048 notes.txt", 1, "notes.txt", 2048, 1, 0, 1, 2, utc(1998, 3, 22, 11, 44) },
        { "03-22-98  01:00 AM  1 a.txt", 1, "a.txt", 1, 1, 0, 1, 2, utc(1998, 3, 22, 0, 44) },
        { "03-22-98  10:15 PM  1 a.txt", 1, "a.txt", 1, 1, 0, 1, 2, utc(1998, 3, 23, 0, 14) },
        // Hour "-4" is -26; with "PM" -14.
        { "03-22-98  -4:30PM  1 a.txt", 1, "a.txt", 1, 1, 0, 1, 2, utc(1998, 3, 21, 10, 30) },
        // A signed EPLF time lies before 1970; a size that goes negative is 0, not its digits.
        { "+m-60,\tx", 1, "x", 0, 0, 0, 0, 1, -240 },
        { "+s-12345,\tx", 1, "x", 0, 1, 0, 0, 0, 0 },
        { "-rw-r--r-- 1 a b -12345 Jan 15  2020 x", 1, "x", 0, 1, 0, 1, 3, utc(2020, 1, 15) },
        // Past the 64-bit range a field saturates with its sign, and the time with it.
        { "-rw-r--r-- 1 a b 1 Jan 15 -99999999999999999999 x", 1, "x", 1, 1, 0, 1, 3, std::numeric_limits<std::int64_t>::min() },
    };
    for (const auto& c : cases) expectLine(c);
}

TEST_F(ListLineParserTest, VmsLayout)
{
    const LineCase cases[] = {
        { "TOOLS.DIR;1          2  14-MAR-2003 10:25 [ADMIN] (RWE,RWE,RE,RE)", 1, "TOOLS", 0, 0, 1, 0, 2, utc(2003, 3, 14, 10, 25) },
        { "NOTES.TXT;3  5/12  02-JUL-1999 18:04:59  [ADMIN,STAFF]   (RWED,RWED,,)", 1, "NOTES.TXT", 0, 0, 0, 1, 2, utc(1999, 7, 2, 18, 4) },
        { "ARCHIVE.ZIP;1  9/9  01-jan-2045 00:01 [X]", 1, "ARCHIVE.ZIP", 0, 0, 0, 1, 2, utc(2045, 1, 1, 0, 1) },
        { "TOOLS.DIR;1          2  14-MAR-2003 10:25", 0 },
        { "X.TXT;1  1  02-XYZ-1999 18:04 [A]", 0 },
        { "X.TXT;1", 0 },
    };
    for (const auto& c : cases) expectLine(c);
}

TEST_F(ListLineParserTest, MsDosLayout)
{
    const LineCase cases[] = {
        { "11-05-08  10:15AM       <DIR>          backup", 1, "backup", 0, 0, 1, 0, 2, utc(2008, 11, 5, 10, 15) },
        { "03-22-98  04:30PM                 2048 notes.txt", 1, "notes.txt", 2048, 1, 0, 1, 2, utc(1998, 3, 22, 16, 30) },
        { "03-22-98  12:15AM                 1 a.txt", 1, "a.txt", 1, 1, 0, 1, 2, utc(1998, 3, 22, 0, 15) },
        { "03-22-98  12:15PM                 1 a.txt", 1, "a.txt", 1, 1, 0, 1, 2, utc(1998, 3, 22, 12, 15) },
        { "01-01-49  01:00AM  7 y2049", 1, "y2049", 7, 1, 0, 1, 2, utc(2049, 1, 1, 1, 0) },
        { "01-01-50  01:00AM  7 y1950", 1, "y1950", 7, 1, 0, 1, 2, utc(1950, 1, 1, 1, 0) },
        { "01-02-2020  01:00AM   3221225472 big bin.iso", 1, "big bin.iso", 3221225472LL, 1, 0, 1, 2, utc(2020, 1, 2, 1, 0) },
        // A ";" in a DOS name is no VMS line.
        { "03-22-98  04:30PM   10 a;b.txt", 1, "a;b.txt", 10, 1, 0, 1, 2, utc(1998, 3, 22, 16, 30) },
        // 24-hour time with no "A" or "P" after it.
        { "03-22-98  16:30       2048 notes.txt", 0 },
        { "03-22-98  04:30PM       <DIR>", 0 },
        { "03-22-98", 0 },
    };
    for (const auto& c : cases) expectLine(c);
}

TEST_F(ListLineParserTest, NonEntries)
{
    for (const char* line : { "", "x", "-", "total 12", "Directory of C:\\", "   ", "\t\t" }) {
        SCOPED_TRACE(line);
        ListLineInfo info;
        EXPECT_EQ(parseListLine(info, line, std::string(line).size()), 0);
    }
    ListLineInfo info;
    EXPECT_EQ(parseListLine(info, nullptr, 10), 0);
}

TEST(MonthFromName, ThreeLettersInAnyCase)
{
    const std::pair<const char*, int> cases[] = {
        { "jan", 0 }, { "JAN", 0 }, { "mAy", 4 }, { "Sep", 8 }, { "DEC", 11 },
        { "ja", -1 }, { "janu", -1 }, { "xyz", -1 }, { "j@n", -1 }, { "", -1 },
    };
    for (const auto& [name, month] : cases)
        EXPECT_EQ(monthFromName(name, std::string(name).size()), month) << name;
}

TEST(CivilToSeconds, MatchesTheGregorianCalendar)
{
    // Every day of three centuries, including 1900 (no leap day) and 2000 (leap day).
    static constexpr int kDaysIn[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    for (int year = 1899; year <= 2101; ++year) {
        const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
        for (int month = 0; month < 12; ++month) {
            const int days = kDaysIn[month] + (month == 1 && leap ? 1 : 0);
            for (int day = 1; day <= days; ++day)
                ASSERT_EQ(civilToSeconds(year, month, day), utc(year, month + 1, day)) << year << "-" << month + 1 << "-" << day;
        }
    }
    EXPECT_EQ(civilToSeconds(2400, 1, 29), utc(2400, 2, 29));
    EXPECT_EQ(civilToSeconds(9999, 11, 31), utc(9999, 12, 31));
    EXPECT_EQ(civilToSeconds(2003, 3, 31), utc(2003, 5, 1)); // April 31 is May 1
}

TEST(CivilToSeconds, SaturatesAbsurdDates)
{
    EXPECT_EQ(civilToSeconds(kMax, 0, 1), kMax);
    EXPECT_EQ(civilToSeconds(2000, kMax, 1), kMax);
    EXPECT_EQ(civilToSeconds(2000, 0, kMax), kMax);
    EXPECT_EQ(civilToSeconds(std::numeric_limits<std::int64_t>::min(), 0, 1), std::numeric_limits<std::int64_t>::min());
    // Just inside and outside the fast range agree with each other.
    EXPECT_LT(civilToSeconds(1000000000, 0, 1), civilToSeconds(1000000001, 0, 1));
}

TEST(GuessListYear, PicksTheYearLessThan350DaysBackOrAhead)
{
    struct Case {
        std::int64_t now;
        int month;
        int day;
        std::int64_t expected;
    };
    const Case cases[] = {
        // Today December 8: December 25 lies 348 days back, December 20 of last year 353.
        { utc(2023, 12, 8, 12), 11, 25, utc(2022, 12, 25) },
        { utc(2023, 12, 8, 12), 11, 20, utc(2023, 12, 20) },
        { utc(2023, 12, 8, 12), 0, 1, utc(2023, 1, 1) },
        // Across the turn of the year.
        { utc(2024, 1, 3), 11, 30, utc(2023, 12, 30) },
        { utc(2024, 1, 3), 0, 5, utc(2024, 1, 5) },
        { utc(2024, 3, 1), 1, 29, utc(2024, 2, 29) },
    };
    for (const auto& c : cases) {
        ScopedListingNow now(c.now);
        EXPECT_EQ(guessListYear(c.month, c.day), c.expected) << c.month + 1 << "/" << c.day;
    }
}

TEST(GuessListYear, KeepsTheYearOnceComputed)
{
    ScopedListingNow now(utc(2023, 12, 8));
    EXPECT_EQ(guessListYear(5, 1), utc(2023, 6, 1));
    // The clock moves back to 2020; the search still starts at the year cached for 2023.
    now.set(utc(2020, 7, 1));
    EXPECT_EQ(guessListYear(5, 1), utc(2022, 6, 1));
}

} // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
