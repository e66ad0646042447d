// Saves the large notebook to the path given, in its two variants by turns,
// until it is killed. Prints "ready" once both variants are built.
//   tabstore_killchild PATH

#include "notebookfixture.h"
#include "tabstorefile.h"

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s PATH\n", argv[0]);
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    const TabStoreData variants[2] = {NotebookFixture::notebook(u'A'), NotebookFixture::notebook(u'B')};
    std::printf("ready\n");
    std::fflush(stdout);
    for (unsigned n = 0;; ++n) {
        const TabStoreFile::SaveResult r = TabStoreFile::save(path, variants[n % 2]);
        if (!r.ok) {
            std::fprintf(stderr, "save failed: %s\n", qPrintable(r.error));
            return 1;
        }
    }
}
