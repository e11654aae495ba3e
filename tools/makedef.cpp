// makedef: builds the stock-string table "Langdef.df" from a copy of the game
// executable (version 3.6.31.0).
//
//   makedef <game executable> [<output file>]
//
// The output defaults to "Langdef.df" in the current folder. On failure the error is
// printed and nothing is written.
#include "Makedef_3_6_31_0.h"
#include "platform/Exception.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2 || args.size() > 3) {
        std::fprintf(stderr, "usage: makedef <game executable> [<output file>]\n");
        return 2;
    }
    try {
        if (args.size() == 3)
            MakeDefs(args[1], args[2]);
        else
            MakeDefs(args[1]);
    } catch (const Exception &e) {
        std::fprintf(stderr, "makedef: %s\n", qUtf8Printable(e.message()));
        return 1;
    }
    return 0;
}
