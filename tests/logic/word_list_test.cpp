#include "word_list.h"

#include "exception.h"
#include "qt_print.h"

#include <gtest/gtest.h>

namespace {

struct SplitCase {
    const char* what;
    QString text;
    QStringList words;
};

void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.what; }

QStringList Words(const WordList& list)
{
    QStringList words;
    for (qsizetype i = 0; i < list.count(); ++i)
        words.append(list[i]);
    return words;
}

class WordListSplit : public testing::TestWithParam<SplitCase> {};

TEST_P(WordListSplit, GivesTheWords)
{
    EXPECT_EQ(Words(WordList(GetParam().text)), GetParam().words);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WordListSplit,
    testing::Values(
        SplitCase{"select", u"select * from t"_qs, {u"select"_qs, u"*"_qs, u"from"_qs, u"t"_qs}},
        SplitCase{"create",
                  u"create table t1 (id int)"_qs,
                  {u"create"_qs, u"table"_qs, u"t1"_qs, u"(id"_qs, u"int)"_qs}},
        SplitCase{"quoted blank",
                  u"insert into t values ('a b', 'c')"_qs,
                  {u"insert"_qs, u"into"_qs, u"t"_qs, u"values"_qs, u"('a b',"_qs, u"'c')"_qs}},
        SplitCase{"runs of blanks", u"  drop   table\r\n\r\n t  "_qs, {u"drop"_qs, u"table"_qs, u"t"_qs}},
        SplitCase{"leading line breaks skipped", u"\r\n\nselect 1"_qs, {u"select"_qs, u"1"_qs}},
        SplitCase{"line breaks end words", u"select\r\n*\nfrom\rt"_qs, {u"select"_qs, u"*"_qs, u"from"_qs, u"t"_qs}},
        SplitCase{"leading tab kept", u"\tselect 1"_qs, {u"\tselect"_qs, u"1"_qs}},
        SplitCase{"tab inside a word", u"a\tb c"_qs, {u"a\tb"_qs, u"c"_qs}},
        SplitCase{"double quote inside apostrophes",
                  u"x 'a \" b' y"_qs,
                  {u"x"_qs, u"'a \" b'"_qs, u"y"_qs}},
        SplitCase{"apostrophe inside double quotes",
                  u"x \"it's \r\n ok\" y"_qs,
                  {u"x"_qs, u"\"it's \r\n ok\""_qs, u"y"_qs}},
        SplitCase{"quotes in the middle of a word", u"a'b c'd e"_qs, {u"a'b c'd"_qs, u"e"_qs}},
        SplitCase{"unclosed quote runs to the end", u"select 'a b\r\nc"_qs, {u"select"_qs, u"'a b\r\nc"_qs}},
        SplitCase{"backslash does not escape",
                  u"'a\\' b 'c"_qs,
                  {u"'a\\'"_qs, u"b"_qs, u"'c"_qs}},
        SplitCase{"non-breaking space and Korean are ordinary",
                  u"a\u00a0b \uac00\ub098 \u2028x"_qs,
                  {u"a\u00a0b"_qs, u"\uac00\ub098"_qs, u"\u2028x"_qs}},
        // The low bytes of these characters are a blank, a line feed and an apostrophe.
        SplitCase{"wide characters are never ends or quotes",
                  u"a\u0120b\u010ac\u0127d e"_qs,
                  {u"a\u0120b\u010ac\u0127d"_qs, u"e"_qs}},
        SplitCase{"trailing blank", u"select "_qs, {u"select"_qs}},
        SplitCase{"only blanks and line breaks", u" \r\n \n"_qs, {}},
        SplitCase{"empty text", QString(), {}}));

TEST(WordList, MissingWordRaisesListError)
{
    const struct {
        QString text;
        qsizetype index;
    } cases[] = {{u"select 1"_qs, 2}, {u"select 1"_qs, -1}, {QString(), 0}};
    for (const auto& c : cases) {
        const WordList words(c.text);
        try {
            (void)words[c.index];
            ADD_FAILURE() << "no error for word " << c.index;
        } catch (const EListError& e) {
            EXPECT_EQ(e.Message(), u"List index out of bounds (%1)"_qs.arg(c.index));
        }
    }
}

} // namespace
