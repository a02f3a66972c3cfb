// Links, pastes, drops and opens stop where a saved file would no longer read
// back whole; up to there everything is saved and read back.

#include "editor_test_support.h"

#include "macro/macro_nodes.h"

using namespace editor_test;

// A macro counts one in the document's chains, and one plus its sub-graph's
// longest chain in a chain inside another macro.
TEST_F(EditorTest, ChainsStopAtTheLengthAFileHolds)
{
    ScratchDir scratch;
    Node* tail = Add("Macro", "macro", 20, 20);
    for (NodeList* list : {static_cast<NMacro*>(tail)->subGraph.get(), &document}) {
        for (Node* previous = nullptr; list->nodes.size() < 1023; previous = tail) {
            tail = Add("Operator", "invert", 0, 5000, list);
            tail->params[0].source = previous;
        }
    }
    document.nodes[1]->params[0].source = document.nodes[0].get();
    tail->x = tail->y = 20;
    const auto link = [this](Node& from, Node& to) {
        Stroke({OutputRow(from, 0), InputRow(to, 0)});
        return to.params[0].source != nullptr;
    };
    EXPECT_TRUE(link(*tail, *Add("Operator", "invert", 300, 20)));  // 1,024 nodes
    dialogs->saveAnswers.push_back(scratch.QPath("long.shd"));
    form->menuSaveClick();
    ASSERT_TRUE(form->OpenDocument(scratch.QPath("long.shd")));
    ASSERT_EQ(document.nodes.size(), 1024u);
    Node& macro = *document.nodes[0];
    ASSERT_EQ(static_cast<NMacro&>(macro).subGraph->nodes.size(), 1023u);
    Node& last = *document.nodes.back();
    EXPECT_FALSE(link(last, *Add("Operator", "invert", 20, 250)));
    EXPECT_EQ(Status(), "Chain too long, cannot connect.");

    form->ShowNodeProperties(&macro);
    form->menuCopyClick();
    macro.Edit(macro.params[0]);
    form->menuPasteClick();  // 1 + 1,023 here
    ASSERT_EQ(form->currentList->nodes.size(), 1024u);
    Node& copy = *form->currentList->nodes.back();
    copy.x = copy.y = 20;
    EXPECT_FALSE(link(copy, *Add("Operator", "invert", 300, 20, form->currentList)));
    EXPECT_EQ(dialogs->errorBeeps, 2);
}

TEST_F(EditorTest, MacrosNestNoDeeperThanAFileHolds)
{
    ScratchDir scratch;
    std::vector<NMacro*> macros;  // levels 2 to 32 inside
    for (NodeList* list = &document; macros.size() < 31; list = macros.back()->subGraph.get()) {
        macros.push_back(static_cast<NMacro*>(Add("Macro", "macro", 20, 20, list)));
        macros.back()->Edit(macros.back()->params[0]);
    }
    form->AddNewNode(globals.nodeFactory->Find("invert", "Operator")->Create(), 50, 300);
    form->closeMBtnClick();
    form->ShowNodeProperties(macros.back());
    form->menuCopyClick();
    form->menuPasteClick();  // at 31, holding a node at 32
    macros.back()->Edit(macros.back()->params[0]);
    form->menuPasteClick();
    EXPECT_EQ(form->currentList->nodes.size(), 1u);
    EXPECT_EQ(Status(), "Macros nested too deep, cannot add.");

    while (!form->navStack.Empty()) {
        form->closeMBtnClick();
    }
    dialogs->saveAnswers.push_back(scratch.QPath("deep.shd"));
    form->menuSaveClick();
    macros[0]->Edit(macros[0]->params[0]);
    dialogs->openAnswers.push_back(scratch.QPath("deep.shd"));
    form->menuOpenClick();
    EXPECT_EQ(Status(), "Macros nested too deep, cannot open.");
    EXPECT_EQ(macros[0]->subGraph->nodes[0].get(), macros[1]);
    form->closeMBtnClick();
    ASSERT_TRUE(form->OpenDocument(scratch.QPath("deep.shd")));
    const NodeList* level = &document;
    while (level->nodes.size() == 1) {
        level = static_cast<const NMacro&>(*level->nodes[0]).subGraph.get();
    }
    ASSERT_EQ(level->nodes.size(), 2u);  // at 31: the macro and its copy, a node in each
    for (const auto& copy : level->nodes) {
        EXPECT_EQ(static_cast<const NMacro&>(*copy).subGraph->nodes.size(), 1u);
    }
}
