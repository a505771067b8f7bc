#include <gtest/gtest.h>

#include "column_names.h"
#include "../logic/qt_print.h"

namespace {

struct Case {
    QStringList names;
    QStringList unique;
};

TEST(UniqueColumnNames, FollowsTheNamingRule)
{
    const Case cases[] = {
        {{}, {}},
        {{"id", "name"}, {"id", "name"}},
        // the leftmost of a group keeps its name, the others count up in column order
        {{"a", "b", "a", "a"}, {"a", "b", "a_1", "a_2"}},
        // equal without regard to case; each keeps its own spelling
        {{"Name", "NAME", "name"}, {"Name", "NAME_1", "name_2"}},
        {{"ÄRGER", "ärger"}, {"ÄRGER", "ärger_1"}},
        // a new name that a later column carries makes that later one unique the same way
        {{"a", "a", "a_1"}, {"a", "a_1", "a_1_1"}},
        {{"a", "A", "a_1", "A_1"}, {"a", "A_1", "a_1_1", "A_1_2"}},
        // a new name never takes one that an earlier column already has
        {{"a_1", "a", "a"}, {"a_1", "a", "a_2"}},
        // columns without a name count from 0
        {{"", "x", ""}, {"_0", "x", "_1"}},
        {{"_0", ""}, {"_0", "_1"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(UniqueColumnNames(c.names), c.unique) << c.names.join(',').toStdString();
}

} // namespace
