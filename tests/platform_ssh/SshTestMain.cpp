// The main of the SFTP client's tests: the nested event loops need an application object.
// A user's SSH agent is hidden, so that only the keys a test makes can log in.
#include <QCoreApplication>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    ::unsetenv("SSH_AUTH_SOCK");
    testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
