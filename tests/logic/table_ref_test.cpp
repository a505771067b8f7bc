#include "table_ref.h"

#include "qt_print.h"

#include <gtest/gtest.h>

namespace {

struct RefCase {
    const char* what;
    QString name;
    QString reference;
};

void PrintTo(const RefCase& c, std::ostream* os) { *os << c.what; }

class TableRef : public testing::TestWithParam<RefCase> {};

TEST_P(TableRef, QuotesOnlyWhatNeedsIt)
{
    EXPECT_EQ(TableReference(GetParam().name), GetParam().reference);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TableRef,
    testing::Values(
        RefCase{"ordinary", u"Order_items$2"_qs, u"Order_items$2"_qs},
        RefCase{"Korean", u"\uc0ac\uc6a9\uc790"_qs, u"\uc0ac\uc6a9\uc790"_qs},
        RefCase{"reserved word left to the server", u"select"_qs, u"select"_qs},
        RefCase{"digits then letters", u"2024_log"_qs, u"2024_log"_qs},
        RefCase{"all digits", u"2024"_qs, u"`2024`"_qs},
        RefCase{"exponent", u"1e5"_qs, u"`1e5`"_qs},
        RefCase{"exponent prefix", u"1e5abc"_qs, u"`1e5abc`"_qs},
        RefCase{"e without exponent digits", u"1ea"_qs, u"1ea"_qs},
        RefCase{"hexadecimal", u"0x1f"_qs, u"`0x1f`"_qs},
        RefCase{"not quite hexadecimal", u"0x1g"_qs, u"0x1g"_qs},
        RefCase{"bits", u"0b101"_qs, u"`0b101`"_qs},
        RefCase{"blank", u"my table"_qs, u"`my table`"_qs},
        RefCase{"semicolon", u"a;b"_qs, u"`a;b`"_qs},
        RefCase{"backquote doubled", u"a`b"_qs, u"`a``b`"_qs},
        RefCase{"dot", u"d.t"_qs, u"`d.t`"_qs},
        RefCase{"tab", u"a\tb"_qs, u"`a\tb`"_qs},
        RefCase{"emoji beyond the basic plane", u"t\U0001F600"_qs, u"`t\U0001F600`"_qs},
        RefCase{"empty", QString(), QString()}));

} // namespace
