#include "my_data_source.h"

#include "my_query.h"

TMyDataSource::TMyDataSource(TMyQuery& dataSet, QObject* parent) : QObject(parent), dataSet_(dataSet)
{
    connect(&dataSet_, &TMyQuery::activeChanged, this, &TMyDataSource::activeChanged);
}
