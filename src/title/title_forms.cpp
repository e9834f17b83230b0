#include "title/title_forms.h"

#include "runtime/engine.h"

namespace vel {

void registerTitleForms(Engine&)
{
}

} // namespace vel
