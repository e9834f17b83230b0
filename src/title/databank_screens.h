// The data bank's screens. BDadosHForm, the home, swaps its buttons between the countries' and the
// states' databases and runs the query dialogs; a result with "DataRecs" goes to BDadosForm, which
// shows it as a table (databank_view.h) with its scrollers, keys, notes and sources panels, the
// history title and print. The query dialogs derive from DBFileStruct, which opens the database
// that "DBase2Use" names (databank_files.h) and says once, in a message, when it cannot.
//
// A query's result: {"DBase2Use", "DataRecs" (record numbers), "FieldsUsed" (field indexes),
// "RowHeight", "Type" ("Livre" or "pronta número: N"), "TipoDePesquisa" ("Pronta" for a ready one),
// "Nome" (the ready query's name)}.
#pragma once

#include <string>
#include <vector>

#include "title/databank_files.h"
#include "title/databank_view.h"
#include "title/menu_bar.h"

namespace vel {

class DrawingSurface;
class Printer;

// The base of the query dialogs: opens the database its argument's "DBase2Use" names (and notes
// "TipoDePesquisa"); when it cannot, a message says why and the dialog ends with no result.
class DBFileStruct : public Named<DBFileStruct, TitleDialog> {
public:
    static constexpr const char* kClassName = "DBFileStruct";
    using Named::Named;

    void open(const Value& data) override;

protected:
    bool opened() const { return opened_; }
    const Databank& databank() const { return databank_; }
    const std::string& databaseName() const { return dbase_; }
    bool readyQuery() const { return readyQuery_; }

private:
    Databank databank_;
    std::string dbase_;
    bool opened_ = false;
    bool readyQuery_ = false;
};

class BDadosHForm final : public Named<BDadosHForm, BarraMenuForm> {
public:
    static constexpr const char* kClassName = "BDadosHForm";
    using Named::Named;

protected:
    bool handleAction(std::string_view name, const Value& control) override;
    Value historyTitle() const override;

private:
    void showDatabase(bool states);
    void runQuery(const char* dialog, bool states);
};

class PesqProntaDialog final : public Named<PesqProntaDialog, DBFileStruct> {
public:
    static constexpr const char* kClassName = "PesqProntaDialog";
    using Named::Named;

    void open(const Value& data) override;
    Value result() override;

protected:
    bool handleAction(std::string_view name, const Value& control) override;

private:
    bool chosen_ = false;
};

class PesqLivreDialog final : public Named<PesqLivreDialog, DBFileStruct> {
public:
    static constexpr const char* kClassName = "PesqLivreDialog";
    using Named::Named;

    void open(const Value& data) override;
    Value result() override;

    // What the dialog has gathered: the chosen fields and their conditions (texts empty and no
    // number: the field is shown without a condition).
    struct Choice {
        int32_t field = 0;
        bool conditioned = false;
        DatabankCondition condition;
        std::string shown; // the number as typed
    };
    const std::vector<Choice>& choices() const { return choices_; }

protected:
    bool handleAction(std::string_view name, const Value& control) override;

private:
    void chooseField(int32_t field);
    // Adds the current field with the condition typed or chosen; false (with a message) when the
    // number typed cannot be read.
    bool addCurrentField();
    void addScopeValue(const std::string& value);
    void showGroups();
    void refreshSelected();
    Choice& choiceFor(int32_t field);

    std::vector<Choice> choices_;
    int32_t current_ = -1;
    Comparison comparison_ = Comparison::Equal;
    bool ran_ = false;
    static int32_t queriesRun_;
};

class SysMenuDBDialog final : public Named<SysMenuDBDialog, TitleDialog> {
public:
    static constexpr const char* kClassName = "SysMenuDBDialog";
    using Named::Named;

    void open(const Value& data) override;
    Value result() override;

protected:
    bool handleAction(std::string_view name, const Value& control) override;

private:
    Value chosen_;
};

class BDadosForm final : public Named<BDadosForm, BarraMenuForm> {
public:
    static constexpr const char* kClassName = "BDadosForm";
    using Named::Named;

    void open(const Value& data) override;
    void drawControls() override;
    void keyDown(int32_t keyCode, int32_t flags) override;
    // Prints the whole table (every column, as many pages as it takes) and the notes; the pages.
    int32_t print();
    const DatabankTableView& table() const { return view_; }

protected:
    bool handleAction(std::string_view name, const Value& control) override;
    Value historyTitle() const override;

private:
    int32_t printPages(DrawingSurface& surface, Printer& printer);
    void setUpScrollers();
    void showPanel(const char* panel, const char* textControl, const Value& text);
    void closePanel();
    // While a panel covers the table its scrollers take no clicks: the table under it stands still.
    void holdScrollers(bool held);
    bool states() const;

    Databank databank_;
    DatabankTableView view_;
    std::string openPanel_;
};

// Enters the data bank's classes in the engine's class registry.
void registerDatabankScreens(Engine& engine);

} // namespace vel
