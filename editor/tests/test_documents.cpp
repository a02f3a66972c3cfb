// Documents: the caption, the two confirmation boxes, closing, New, Open,
// Save and Save as, files dropped on the window, and what a failed read or
// write leaves behind.

#include "editor_test_support.h"

#include <csignal>
#include <filesystem>
#include <utility>

#include <QMimeData>
#include <QUrl>
#include <grp.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "fifo_test_support.h"
#include "macro/macro_nodes.h"
#include "window/document_file.h"

using namespace editor_test;

namespace {

const QString kStartCaption = QStringLiteral("Quillmere 0.10 [alpha] []");
const QString kClearBox = QStringLiteral("Are you sure to clear current tree?");
const QString kDiscardBox = QStringLiteral("Document has changed, really continue operation?");

}  // namespace

class DocumentTest : public EditorTest {
protected:
    void BuildGraph()
    {
        a = Add("Operator", "invert", 20, 20);
        b = Add("Operator", "mix", 300, 40);
        b->params[0].source = a;
    }
    // What the list holds, node by node, for comparing before and after.
    std::vector<Node*> Nodes() const
    {
        std::vector<Node*> out;
        for (const auto& n : document.nodes) {
            out.push_back(n.get());
        }
        return out;
    }
    QString SaveAs(const QString& path)
    {
        dialogs->saveAnswers.push_back(path);
        form->menuSaveAsClick();
        return path;
    }

    ScratchDir scratch;
    Node* a = nullptr;
    Node* b = nullptr;
};

TEST_F(DocumentTest, CaptionShowsTheFileNameAndTheModifiedMark)
{
    EXPECT_EQ(form->windowTitle(), kStartCaption);
    form->MarkModified();
    EXPECT_EQ(form->windowTitle(), "Quillmere 0.10 [alpha] [] (modified)");
    BuildGraph();
    const QString path = SaveAs(scratch.QPath("one.shd"));
    EXPECT_EQ(form->windowTitle(), "Quillmere 0.10 [alpha] [" + path + "]");
    EXPECT_EQ(dialogs->defaultBeeps, 1);
    EXPECT_EQ(dialogs->savePresets.back(), QString());
    SaveAs(scratch.QPath("two.shd"));
    EXPECT_EQ(dialogs->savePresets.back(), path);  // Save as starts at the current name
}

TEST_F(DocumentTest, NewAsksFirstToClearThenToDiscard)
{
    form->menuNewClick();  // an empty list: no questions
    EXPECT_TRUE(dialogs->boxes.empty());
    EXPECT_EQ(form->windowTitle(), kStartCaption);

    BuildGraph();
    form->MarkModified();
    const std::vector<Node*> before = Nodes();
    dialogs->confirmAnswers = {false};
    form->menuNewClick();
    dialogs->confirmAnswers = {true, false};
    form->menuNewClick();
    ASSERT_EQ(dialogs->boxes.size(), 3u);
    EXPECT_EQ(dialogs->boxes[0], kClearBox);
    EXPECT_EQ(dialogs->icons[0], QMessageBox::Information);
    EXPECT_EQ(dialogs->boxes[2], kDiscardBox);
    EXPECT_EQ(dialogs->icons[2], QMessageBox::Question);
    EXPECT_EQ(Nodes(), before);
    EXPECT_TRUE(form->modified);

    form->menuCopyClick();
    form->ShowNodeProperties(a);
    form->menuCopyClick();
    form->scrollX = 40;
    form->preview.bits[0] = 200;
    dialogs->confirmAnswers = {true, true};
    form->menuNewClick();
    EXPECT_TRUE(document.nodes.empty());
    EXPECT_EQ(form->windowTitle(), kStartCaption);
    EXPECT_EQ(form->clipboardNode, nullptr);
    EXPECT_EQ(form->selectedNode, nullptr);
    EXPECT_EQ(form->scrollX, 0);
    EXPECT_EQ(form->preview.bits[0], 0);
}

TEST_F(DocumentTest, ClosingAsksOnlyForAModifiedListWithNodes)
{
    form->MarkModified();
    EXPECT_TRUE(form->close());  // modified but empty: nothing to lose
    EXPECT_TRUE(dialogs->boxes.empty());

    form->show();
    BuildGraph();
    form->MarkModified();
    dialogs->confirmAnswers = {false};
    EXPECT_FALSE(form->close());
    EXPECT_TRUE(form->isVisible());
    ASSERT_EQ(dialogs->boxes.size(), 1u);
    EXPECT_EQ(dialogs->boxes[0], kDiscardBox);

    // "Quit" goes the same way as the close box.
    QAction* quit = nullptr;
    for (QAction* action : form->findChildren<QAction*>()) {
        if (action->text() == "Quit") {
            quit = action;
        }
    }
    ASSERT_NE(quit, nullptr);
    dialogs->confirmAnswers = {true};
    quit->trigger();
    EXPECT_FALSE(form->isVisible());

    // Inside an empty macro, unchanged itself, the document it was opened
    // from still has changes to lose.
    form->show();
    auto* macro = static_cast<NMacro*>(Add("Macro", "macro", 300, 20));
    form->MarkModified();
    macro->Edit(macro->params[0]);
    ASSERT_EQ(form->currentList, macro->subGraph.get());
    ASSERT_FALSE(form->modified);
    dialogs->confirmAnswers = {false};
    EXPECT_FALSE(form->close());
    ASSERT_EQ(dialogs->boxes.size(), 3u);
    EXPECT_EQ(dialogs->boxes[2], kDiscardBox);
    form->closeMBtnClick();
    form->UpdateCaption(QString(), false);
    EXPECT_TRUE(form->close());  // nothing unsaved at any level: no box
    EXPECT_EQ(dialogs->boxes.size(), 3u);
}

TEST_F(DocumentTest, SaveAsksForANameOnlyOnce)
{
    BuildGraph();
    const std::string path = scratch.Path("graph.shd");
    dialogs->saveAnswers.push_back(QString::fromStdString(path));
    form->menuSaveClick();
    const std::vector<uint8_t> first = FileBytes(path);
    ASSERT_FALSE(first.empty());
    EXPECT_FALSE(form->modified);

    a->x += 100;
    form->MarkModified();
    form->menuSaveClick();  // named: no dialog
    EXPECT_EQ(dialogs->savePresets.size(), 1u);
    EXPECT_NE(FileBytes(path), first);
    EXPECT_FALSE(form->modified);
    EXPECT_EQ(dialogs->defaultBeeps, 2);

    // Cancel in the dialog changes nothing.
    form->UpdateCaption(QString(), true);
    dialogs->saveAnswers.push_back(QString());
    form->menuSaveClick();
    EXPECT_TRUE(form->modified);
}

TEST_F(DocumentTest, OpenReplacesTheListAndResetsTheView)
{
    BuildGraph();
    const QString path = SaveAs(scratch.QPath("graph.shd"));
    form->ShowNodeProperties(b);
    form->menuCopyClick();
    form->scrollX = 70;
    form->MarkModified();

    dialogs->openAnswers.push_back(path);
    dialogs->confirmAnswers = {true};
    form->menuOpenClick();
    ASSERT_EQ(document.nodes.size(), 2u);
    EXPECT_EQ(document.nodes[1]->params[0].source, document.nodes[0].get());
    EXPECT_EQ(document.nodes[1]->name, "mix");
    EXPECT_EQ(form->windowTitle(), "Quillmere 0.10 [alpha] [" + path + "]");
    EXPECT_EQ(form->clipboardNode, nullptr);
    EXPECT_EQ(form->scrollX, 0);
    EXPECT_EQ(form->selectedNode, nullptr);
    EXPECT_EQ(dialogs->defaultBeeps, 2);

    // Cancel in the dialog, or in the confirmation after it, changes nothing.
    const std::vector<Node*> before = Nodes();
    form->MarkModified();
    dialogs->openAnswers.push_back(QString());
    form->menuOpenClick();
    dialogs->openAnswers.push_back(path);
    dialogs->confirmAnswers = {false};
    form->menuOpenClick();
    EXPECT_EQ(Nodes(), before);
    EXPECT_TRUE(form->modified);
}

TEST_F(DocumentTest, FailedOpenLeavesTheListExactlyAsItWas)
{
    BuildGraph();
    const std::string good = scratch.Path("good.shd");
    SaveAs(QString::fromStdString(good));
    const std::vector<uint8_t> bytes = FileBytes(good);

    std::vector<uint8_t> truncated(bytes.begin(),
                                   bytes.begin() + static_cast<long>(bytes.size() / 2));
    WriteBytes(scratch.Path("short.shd"), truncated);
    // One invert whose input names node 7 of a list of one.
    std::vector<uint8_t> badLink = FileBytes(QM_EXAMPLES_DIR "/invert.shd");
    ASSERT_EQ(badLink.size(), 93u);
    badLink[52] = 7;
    WriteBytes(scratch.Path("badlink.shd"), badLink);

    form->ShowNodeProperties(a);
    form->menuCopyClick();
    form->scrollX = 33;
    form->MarkModified();
    const std::vector<Node*> before = Nodes();
    int beeps = 0;
    for (const char* name : {"missing.shd", "short.shd", "badlink.shd", ""}) {
        const QString path = scratch.QPath(name);  // "" names the folder itself
        dialogs->openAnswers.push_back(path);
        dialogs->confirmAnswers = {true};
        form->menuOpenClick();
        EXPECT_EQ(Nodes(), before) << name;
        EXPECT_EQ(b->params[0].source, a) << name;
        EXPECT_NE(form->clipboardNode, nullptr) << name;
        EXPECT_EQ(form->scrollX, 33) << name;
        EXPECT_EQ(form->selectedNode, a) << name;
        EXPECT_TRUE(form->modified) << name;
        EXPECT_TRUE(Status().contains(path)) << Status().toStdString();
        EXPECT_EQ(dialogs->errorBeeps, ++beeps) << name;
    }
}

TEST_F(DocumentTest, APipeNamedLikeAShaderIsRefusedWithoutWaiting)
{
    // A FIFO named x.shd, picked in the open dialog (through "All files") or
    // dropped on the window: refused at once as a file that cannot be opened,
    // the document left as it was, instead of the editor freezing until
    // something writes to the pipe.
    BuildGraph();
    const std::string fifo = scratch.Path("x.shd");
    ASSERT_TRUE(fifotest::MakeFifo(fifo));
    const QString path = QString::fromStdString(fifo);
    form->ShowNodeProperties(a);
    form->menuCopyClick();
    form->scrollX = 33;
    form->MarkModified();
    const std::vector<Node*> before = Nodes();
    const QString caption = form->windowTitle();

    QMimeData dropped;
    dropped.setUrls({QUrl::fromLocalFile(path)});
    const std::pair<const char*, std::function<void()>> ways[] = {
        {"open dialog",
         [&] {
             dialogs->openAnswers.push_back(path);
             form->menuOpenClick();
         }},
        {"drop", [&] { form->HandleDropFiles(dropped); }},
    };
    int beeps = 0;
    for (const auto& [way, open] : ways) {
        dialogs->confirmAnswers = {true};
        EXPECT_TRUE(fifotest::ReturnsWithoutAWriter(fifo, open))
            << way << ": the open waited for a writer";
        EXPECT_EQ(Nodes(), before) << way;
        EXPECT_EQ(b->params[0].source, a) << way;
        EXPECT_NE(form->clipboardNode, nullptr) << way;
        EXPECT_EQ(form->scrollX, 33) << way;
        EXPECT_EQ(form->selectedNode, a) << way;
        EXPECT_TRUE(form->modified) << way;
        EXPECT_EQ(form->windowTitle(), caption) << way;
        EXPECT_EQ(Status(), QStringLiteral("Cannot open %1.").arg(path)) << Status().toStdString();
        EXPECT_EQ(dialogs->errorBeeps, ++beeps) << way;
        EXPECT_TRUE(dialogs->confirmAnswers.empty()) << way;
    }
}

TEST_F(DocumentTest, FailedSaveKeepsThePreviousFileAndTheModifiedMark)
{
    BuildGraph();
    const std::string path = scratch.Path("keep.shd");
    SaveAs(QString::fromStdString(path));
    const std::vector<uint8_t> saved = FileBytes(path);

    // Many nodes make a file far larger than the old one, and the write
    // limit lets only a few bytes through: the disk is "full".
    for (int i = 0; i < 200; ++i) {
        Add("Operator", "mix", i, i);
    }
    form->MarkModified();
    struct rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    struct rlimit small = old;
    small.rlim_cur = saved.size() + 16;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    form->menuSaveClick();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(FileBytes(path), saved);
    EXPECT_TRUE(form->modified);
    EXPECT_EQ(dialogs->errorBeeps, 1);
    EXPECT_TRUE(Status().contains(QString::fromStdString(path)));
    // No temporary file is left beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(scratch.Path("")),
                            std::filesystem::directory_iterator()),
              1);

    // A folder that does not exist, and a folder in place of the file.
    std::filesystem::create_directory(scratch.Path("folder.shd"));
    for (const std::string& bad : {scratch.Path("no/such/dir.shd"), scratch.Path("folder.shd")}) {
        SaveAs(QString::fromStdString(bad));
        EXPECT_TRUE(form->modified);
        EXPECT_EQ(form->fileName, QString::fromStdString(path));
    }
    EXPECT_EQ(dialogs->errorBeeps, 3);
    EXPECT_TRUE(std::filesystem::is_directory(scratch.Path("folder.shd")));
}

TEST_F(DocumentTest, SaveRefusesAFileThatMayNotBeWritten)
{
    BuildGraph();
    // A folder anyone may write to, holding a file nobody may write to.
    std::filesystem::permissions(scratch.Path(""), std::filesystem::perms::others_exec,
                                 std::filesystem::perm_options::add);
    const std::string folder = scratch.Path("shared");
    std::filesystem::create_directory(folder);
    std::filesystem::permissions(folder, std::filesystem::perms::all);
    const std::string path = folder + "/locked.shd";
    WriteBytes(path, {1, 2, 3, 4});
    std::filesystem::permissions(path, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::group_read |
                                           std::filesystem::perms::others_read);
    // Root may write anything, so then the save runs as "nobody", in a child.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (geteuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(2);
        }
        _exit(WriteGraphFile(path, document) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the locked file was replaced; 2: no user to be";
    EXPECT_EQ(FileBytes(path), (std::vector<uint8_t>{1, 2, 3, 4}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder),
                            std::filesystem::directory_iterator()),
              1);
}

TEST_F(DocumentTest, SaveThroughASymbolicLinkKeepsTheLinkAndTheFileMode)
{
    BuildGraph();
    const std::string real = scratch.Path("real.shd");
    const std::string link = scratch.Path("link.shd");
    WriteBytes(real, {0, 0, 0, 0});
    std::filesystem::permissions(real, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::owner_write |
                                           std::filesystem::perms::group_read);
    std::filesystem::create_symlink(real, link);
    SaveAs(QString::fromStdString(link));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_GT(FileBytes(real).size(), 4u);
    EXPECT_EQ(std::filesystem::status(real).permissions(), std::filesystem::perms::owner_read |
                                                               std::filesystem::perms::owner_write |
                                                               std::filesystem::perms::group_read);
}

TEST_F(DocumentTest, OneDroppedShaderFileOpensAsOpenWould)
{
    BuildGraph();
    const QString path = SaveAs(scratch.QPath("dropped.SHD"));
    WriteBytes(scratch.Path("notes.txt"), {1, 2, 3});
    form->menuDelNodeClick();  // nothing selected: nothing happens
    form->ShowNodeProperties(a);
    form->menuDelNodeClick();
    ASSERT_EQ(document.nodes.size(), 1u);

    QMimeData two;
    two.setUrls({QUrl::fromLocalFile(path), QUrl::fromLocalFile(path)});
    QMimeData text;
    text.setUrls({QUrl::fromLocalFile(scratch.QPath("notes.txt"))});
    QMimeData missing;
    missing.setUrls({QUrl::fromLocalFile(scratch.QPath("gone.shd"))});
    form->HandleDropFiles(two);
    form->HandleDropFiles(text);
    form->HandleDropFiles(missing);  // no box, no status, no beep
    EXPECT_EQ(document.nodes.size(), 1u);
    EXPECT_TRUE(dialogs->boxes.empty());
    EXPECT_EQ(dialogs->errorBeeps, 0);

    QMimeData one;
    one.setUrls({QUrl::fromLocalFile(path)});
    dialogs->confirmAnswers = {false};
    form->HandleDropFiles(one);  // the same confirmation as Open
    EXPECT_EQ(document.nodes.size(), 1u);
    dialogs->confirmAnswers = {true};
    form->HandleDropFiles(one);
    EXPECT_EQ(document.nodes.size(), 2u);
    EXPECT_EQ(form->fileName, path);
    EXPECT_EQ(dialogs->boxes.size(), 2u);
}

// A failure's message stays until the next success of Open, New or Save.
TEST_F(DocumentTest, SuccessClearsTheFailureBeforeIt)
{
    BuildGraph();
    const QString good = SaveAs(scratch.QPath("good.shd"));
    WriteBytes(scratch.Path("bad.shd"), {1, 0, 0, 0});
    dialogs->openAnswers = {scratch.QPath("bad.shd"), good};
    form->menuOpenClick();
    ASSERT_TRUE(Status().endsWith("nothing was read."));
    form->menuOpenClick();
    EXPECT_EQ(Status().toStdString(), "");
    SaveAs(scratch.QPath("no/such.shd"));
    form->menuSaveClick();
    EXPECT_EQ(Status().toStdString(), "");
    SaveAs(scratch.QPath("no/such.shd"));
    dialogs->confirmAnswers = {true};
    form->menuNewClick();
    EXPECT_EQ(Status().toStdString(), "");
}
