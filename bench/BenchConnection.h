#pragma once

#include <memory>

#include "Classes/Others/QVConnection.h"
#include "tests/support/TestServer.h"

// The connection the screen benchmarks open on a test server.
inline std::shared_ptr<QVConnection> benchConnectionFor(const TestServer& server)
{
    auto connection = std::make_shared<QVConnection>();
    connection->setName("bench");
    connection->setHost(server.host());
    connection->setPort(server.port());
    connection->setUsername(server.user());
    connection->setPassword(server.password());
    connection->setStartPath(server.startPath());
    return connection;
}
