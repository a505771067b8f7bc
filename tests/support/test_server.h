#pragma once

#include <QString>
#include <QStringList>
#include <vector>

// The throwaway server the test fixture started, reached as root over its socket, so that tests
// can prepare and inspect data without going through the code under test.
namespace test_server {

QString host();      // its loopback address: what a user would type into the host field
QString password();  // root's password over TCP
QString dataDir();   // the folder the fixture keeps it in (its socket is dataDir() + "/sock")
QString throwawayScript(); // scripts/mariadb-throwaway, to stop and start it again

// Runs statements (several may be separated by ";"); throws std::runtime_error on failure.
void exec(const QString& sql);
// The rows of one select, each cell as text ("" for NULL).
std::vector<QStringList> rows(const QString& sql);
// The first cell of one select.
QString value(const QString& sql);

} // namespace test_server
