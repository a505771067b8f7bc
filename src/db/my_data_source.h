#pragma once

#include <QObject>

class TMyQuery;

// Binds one query to one grid: the grid follows the query's openings and closings through it.
class TMyDataSource : public QObject {
    Q_OBJECT
public:
    explicit TMyDataSource(TMyQuery& dataSet, QObject* parent = nullptr);
    TMyQuery& DataSet() const { return dataSet_; }

signals:
    void activeChanged(bool active);

private:
    TMyQuery& dataSet_;
};
