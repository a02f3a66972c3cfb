// quillmere: the shader graph editor.

#include <clocale>
#include <cstdio>
#include <exception>
#include <memory>

#include <QApplication>

#include "gradient_edit_hook.h"
#include "gradient_editor.h"
#include "model/edit_hooks.h"
#include "model/node_list.h"
#include "startup/engine_startup.h"
#include "window/form1.h"

int main(int argc, char** argv)
{
    try {
        // The image loaders, the image cache and the node registry with its
        // plug-ins exist before the window reads the registry, and go after
        // the window, whose clipboard node may hold a cached image.
        const EngineStartup engine;

        auto document = std::make_unique<NodeList>();
        QApplication application(argc, argv);
        // Numbers in texts are read and written with a decimal point.
        std::setlocale(LC_NUMERIC, "C");
        QApplication::setApplicationName(QStringLiteral("Quillmere"));

        auto window = std::make_unique<TForm1>();
        // The gradient nodes' editor, owned by the main window, asks for its
        // colours through the window's dialogs.
        auto* gradientEditor = new TGradientEditor(window.get());
        window->ShareDialogs(*gradientEditor);
        InstallGradientEditHook(*gradientEditor);
        window->EnterNodeList(document.get(), true);
        window->show();
        const int result = QApplication::exec();

        // The window goes before the document it points into.
        TheEditHooks().editGradient = nullptr;
        window.reset();
        document.reset();
        return result;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "quillmere: %s\n", error.what());
        return 1;
    }
}
