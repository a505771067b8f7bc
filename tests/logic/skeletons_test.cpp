#include "skeletons.h"

#include "qt_print.h"

#include <gtest/gtest.h>

namespace {

struct SkeletonCase {
    const char* what;
    QStringList lines;
    QStringList expected;
};

void PrintTo(const SkeletonCase& c, std::ostream* os) { *os << c.what; }

class Skeleton : public testing::TestWithParam<SkeletonCase> {};

TEST_P(Skeleton, WritesTheLines)
{
    EXPECT_EQ(GetParam().lines, GetParam().expected);
}

const QStringList idNameAge{u"id"_qs, u"name"_qs, u"age"_qs};

INSTANTIATE_TEST_SUITE_P(
    Cases, Skeleton,
    testing::Values(
        SkeletonCase{"select", SelectSkeleton(u"t"_qs), {u"select * from t"_qs}},
        SkeletonCase{"select without a table", SelectSkeleton(QString()), {u"select * from "_qs}},
        SkeletonCase{"select quoting the table", SelectSkeleton(u"a;b"_qs), {u"select * from `a;b`"_qs}},
        SkeletonCase{"insert",
                     InsertSkeleton(u"t"_qs, idNameAge),
                     {u"insert into t"_qs, u"(id,name,age) values "_qs, u"(\"\",\"\",\"\")"_qs}},
        SkeletonCase{"insert with one column",
                     InsertSkeleton(u"t"_qs, {u"id"_qs}),
                     {u"insert into t"_qs, u"(id) values "_qs, u"(\"\")"_qs}},
        SkeletonCase{"insert with no open result",
                     InsertSkeleton(u"t"_qs, {QString()}),
                     {u"insert into t"_qs, u"() values "_qs, u"(\"\")"_qs}},
        SkeletonCase{"insert with no columns",
                     InsertSkeleton(u"t"_qs, {}),
                     {u"insert into t"_qs, u"() values "_qs, u"()"_qs}},
        SkeletonCase{"insert without a table",
                     InsertSkeleton(QString(), idNameAge),
                     {u"insert into "_qs, u"(id,name,age) values "_qs, u"(\"\",\"\",\"\")"_qs}},
        SkeletonCase{"insert quoting names",
                     InsertSkeleton(u"my t"_qs, {u"id"_qs, u"first name"_qs, u"a`b"_qs}),
                     {u"insert into `my t`"_qs, u"(id,`first name`,`a``b`) values "_qs,
                      u"(\"\",\"\",\"\")"_qs}},
        SkeletonCase{"delete",
                     DeleteSkeleton(u"t"_qs, u"id"_qs, u"7"_qs),
                     {u"delete from t where id = \"7\""_qs}},
        SkeletonCase{"delete with no open result",
                     DeleteSkeleton(u"t"_qs, QString(), QString()),
                     {u"delete from t where  = \"\""_qs}},
        SkeletonCase{"delete with a NULL key",
                     DeleteSkeleton(u"t"_qs, u"id"_qs, QString()),
                     {u"delete from t where id = \"\""_qs}},
        SkeletonCase{"delete escaping the value",
                     DeleteSkeleton(u"t"_qs, u"id"_qs, u"1\" or \"1\"=\"1 \\"_qs),
                     {u"delete from t where id = \"1\"\" or \"\"1\"\"=\"\"1 \\\\\""_qs}},
        SkeletonCase{"delete quoting names",
                     DeleteSkeleton(u"a;b"_qs, u"key col"_qs, u"x"_qs),
                     {u"delete from `a;b` where `key col` = \"x\""_qs}}));

} // namespace
