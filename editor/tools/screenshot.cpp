// quillmere_screenshot <graph.shd> <picture.png> [width height]: opens the
// graph in the editor's main window (of the stored size, or the size given),
// renders every node's thumbnail and the material preview, and saves a
// picture of the window. Runs without a display.

#include <cstdio>
#include <cstdlib>

#include <QApplication>
#include <QPixmap>

#include "model/node_list.h"
#include "startup/engine_startup.h"
#include "window/form1.h"

int main(int argc, char** argv)
{
    if (argc != 3 && argc != 5) {
        std::fprintf(stderr,
                     "usage: quillmere_screenshot <graph.shd> <picture.png> [width height]\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const EngineStartup engine;
    NodeList document;
    QApplication application(argc, argv);
    TForm1 window;
    window.EnterNodeList(&document, true);
    if (argc == 5) {
        window.resize(std::atoi(argv[3]), std::atoi(argv[4]));
    }
    window.show();
    if (!window.OpenDocument(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "quillmere_screenshot: cannot read %s\n", argv[1]);
        return 1;
    }
    window.menuPreviewAll();
    if (Node* root = document.FindRoot()) {
        window.ShowNodeProperties(root);
    }
    window.menuPreview();
    QApplication::processEvents();
    if (!window.grab().save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "quillmere_screenshot: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
