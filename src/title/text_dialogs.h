// The dialogs that show one rich text: AATextDialog and its kinds. open shows the argument's text in
// the view "Texto" and its title in "Titulo"; "Imprimir" prints the text (with the print title,
// else the title), "Copiar" copies it, "Fechar" closes; the text's hot links follow as on a text
// screen. Each kind names the argument's keys:
//   CaptionDialog  {"Text"}                            a media caption
//   LivroDialog    {"Texto", "Titulo", "PrintTitulo"}  a book text
//   CronoDialog    {"Texto", "Titulo"}                 a chronology
//   TabelaDialog   {"Texto", "Titulo", "Header"}       a table, its column heads in "Header"
// SysMenuDialog offers printing and copying: its answer is "Print", "Copy" or nil.
#pragma once

#include "title/title_form.h"

namespace vel {

class AATextDialog : public Named<AATextDialog, TitleDialog> {
public:
    static constexpr const char* kClassName = "AATextDialog";
    using Named::Named;

    void open(const Value& data) override;

protected:
    bool handleAction(std::string_view name, const Value& control) override;
    // Shows the text and the title in their controls.
    void show(const Value& text, const Value& title);

    Value text_, title_, printTitle_;
};

class CaptionDialog final : public Named<CaptionDialog, AATextDialog> {
public:
    static constexpr const char* kClassName = "CaptionDialog";
    using Named::Named;
    void open(const Value& data) override;
};

class LivroDialog final : public Named<LivroDialog, AATextDialog> {
public:
    static constexpr const char* kClassName = "LivroDialog";
    using Named::Named;
};

class CronoDialog final : public Named<CronoDialog, AATextDialog> {
public:
    static constexpr const char* kClassName = "CronoDialog";
    using Named::Named;
};

class TabelaDialog final : public Named<TabelaDialog, AATextDialog> {
public:
    static constexpr const char* kClassName = "TabelaDialog";
    using Named::Named;
    void open(const Value& data) override;
};

class SysMenuDialog final : public Named<SysMenuDialog, TitleDialog> {
public:
    static constexpr const char* kClassName = "SysMenuDialog";
    using Named::Named;

    void open(const Value& data) override;
    Value result() override { return answer_; }

protected:
    bool handleAction(std::string_view name, const Value& control) override;

private:
    Value answer_;
};

// Enters the text dialogs' classes in the engine's class registry.
void registerTextDialogs(Engine& engine);

} // namespace vel
