// quillmere_screenshot <graph.shd> <picture.png> [width height]: opens the
// graph in the editor's main window (of the stored size, or the size given),
// sizes and arranges its boxes, renders every node's thumbnail and the
// material preview, and saves a picture of the window. Runs without a
// display.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include <QApplication>
#include <QPixmap>

#include "model/node_list.h"
#include "startup/engine_startup.h"
#include "window/form1.h"

namespace {

// Columns by link depth, each node as far right as its consumers allow, so
// that links run left to right; boxes sized for their labels as a drop from
// the palette sizes them, stacked in list order within a column.
void Arrange(TForm1& window, NodeList& list)
{
    std::map<const Node*, int> column;
    // Longest chain of sources below each node (the file has no cycles).
    std::function<int(const Node*)> depth = [&](const Node* n) {
        int d = 0;
        for (int32_t i = 0; i < n->paramCount; ++i) {
            if (const Node* s = n->params[i].source) {
                d = std::max(d, depth(s) + 1);
            }
        }
        return d;
    };
    std::vector<Node*> byDepth;
    for (const auto& n : list.nodes) {
        column[n.get()] = depth(n.get());
        byDepth.push_back(n.get());
    }
    std::stable_sort(byDepth.begin(), byDepth.end(),
                     [&](const Node* a, const Node* b) { return column[a] > column[b]; });
    for (Node* n : byDepth) {
        for (int32_t i = 0; i < n->paramCount; ++i) {
            if (Node* s = n->params[i].source) {
                // Moved right until it sits just left of its nearest consumer.
                int nearest = column[n] - 1;
                for (const auto& other : list.nodes) {
                    for (int32_t k = 0; k < other->paramCount; ++k) {
                        if (other->params[k].source == s) {
                            nearest = std::min(nearest, column[other.get()] - 1);
                        }
                    }
                }
                column[s] = std::max(column[s], nearest);
            }
        }
    }
    std::map<int, int> widest;
    for (const auto& n : list.nodes) {
        window.CalcNodeSize(*n);
        widest[column[n.get()]] = std::max(widest[column[n.get()]], n->width);
    }
    std::map<int, int> left;
    std::map<int, int> top;
    int x = 12;
    for (const auto& [c, w] : widest) {
        left[c] = x;
        top[c] = 12;
        x += w + 48;
    }
    for (const auto& n : list.nodes) {
        const int c = column[n.get()];
        n->x = left[c];
        n->y = top[c];
        top[c] += n->height + 24;
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3 && argc != 5) {
        std::fprintf(stderr, "usage: quillmere_screenshot <graph.shd> <picture.png> [width height]\n");
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
    Arrange(window, document);
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
