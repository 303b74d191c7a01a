// Opens the store at the path given and prints what came of it: "opened" or the refusal text. The store
// tests run it with a plain SQLite preloaded, as happens when a system library is loaded first.

#include "store/Database.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    if (argc < 2)
        return 2;
    const auto opened = vorbel::Database::open(QString::fromLocal8Bit(argv[1]));
    if (const auto* error = std::get_if<QString>(&opened)) {
        std::printf("refused: %s\n", error->toUtf8().constData());
        return 1;
    }
    std::printf("opened\n");
    return 0;
}
