#include "title/internet_dialog.h"

#include "runtime/engine.h"
#include "value/archive.h"
#include "value/table.h"

namespace vel {

void SobreInternetDialog::open(const Value& data)
{
    Named::open(data);
    Value archive = openDataArchive(engine(), "SIntrnet", "dat");
    Archive* a = asArchive(archive);
    Value text = a && a->count() > 0 ? a->get(0) : Value();
    performOnControl(*this, "Texto", "Initialize");
    showControlText(*this, "Texto", text);
}

bool SobreInternetDialog::handleAction(std::string_view name, const Value& control)
{
    if (name == "Imprimir") {
        Value attributes = Table::make();
        asTable(attributes)->put(std::string_view("PrintAttributes"), Value::string("Text"));
        performOnControl(*this, "Texto", "Print", attributes);
    } else if (name == "Cancelar") {
        end();
    } else {
        return false;
    }
    return true;
}

} // namespace vel
