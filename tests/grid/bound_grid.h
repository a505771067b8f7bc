#pragma once

#include <QStringList>

#include "db_adv_grid.h"
#include "my_connection.h"
#include "my_data_source.h"
#include "my_query.h"
#include "test_server.h"

// The three grids as the window designs them.
inline const GridDesign kResultGrid{28, 62, QString(), 2, MemoText::Whole};
inline const GridDesign kTableList{20, 64, QStringLiteral("테이블명"), 2, MemoText::Placeholder};
inline const GridDesign kDatabaseList{20, 64, QStringLiteral("DB명"), 5, MemoText::Placeholder};

// A grid bound to a query on the throwaway server, wired as the window wires its grids.
struct BoundGrid {
    explicit BoundGrid(const GridDesign& design, const QString& database = QString()) : grid(design)
    {
        connection.Server = test_server::host();
        connection.Username = QStringLiteral("root");
        connection.Password = test_server::password();
        connection.Database = database;
        grid.SetDataSource(source);
    }

    void open(const QString& sql)
    {
        query.SQL = QStringList{sql};
        query.Open();
    }

    TMyConnection connection;
    TMyQuery query{connection};
    TMyDataSource source{query};
    TDBAdvGrid grid;
};
