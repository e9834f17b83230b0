// The text about the title's Internet link, read from "SIntrnet.dat" (its first item, rich text),
// with "Imprimir" to print it and "Cancelar" to close.
#pragma once

#include "title/title_placeholders.h"

namespace vel {

class SobreInternetDialog final : public Named<SobreInternetDialog, AATextDialog> {
public:
    static constexpr const char* kClassName = "SobreInternetDialog";
    using Named::Named;

    void open(const Value& data) override;

protected:
    bool handleAction(std::string_view name, const Value& control) override;
};

} // namespace vel
