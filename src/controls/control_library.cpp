#include "controls/control_library.h"

#include "controls/bitmap_control.h"
#include "controls/button.h"
#include "controls/check_box.h"
#include "controls/combo_box.h"
#include "controls/group.h"
#include "controls/history.h"
#include "controls/hot_spot.h"
#include "controls/list_box.h"
#include "controls/menu.h"
#include "controls/radio_button.h"
#include "controls/scroller.h"
#include "controls/slider.h"
#include "controls/static_text.h"
#include "controls/table_control.h"
#include "controls/text_field.h"
#include "controls/text_view.h"
#include "controls/video_view.h"
#include "controls/photo_view.h"
#include "runtime/engine.h"

namespace vel {

namespace {

template <class Control>
void enter(Engine& engine)
{
    engine.classes().add(Value::adopt(Tag::Control, new Control(engine, Value())));
}

} // namespace

void registerControlLibrary(Engine& engine)
{
    // Each family adds its registration here, one line per class.
    enter<HotSpot>(engine);
    enter<Bitmap>(engine);
    enter<Button>(engine);
    enter<CheckBox>(engine);
    enter<RadioButton>(engine);
    enter<Group>(engine);
    enter<RadioGroup>(engine);
    enter<TextField>(engine);
    enter<TextCombo>(engine);
    enter<ComboBox>(engine);
    enter<ComboEdit>(engine);
    enter<Menu>(engine);
    engine.classes().add(Value::adopt(Tag::Form, new MenuForm(engine, Value())));
    enter<Scroller>(engine);
    enter<Slider>(engine);
    enter<StaticText>(engine);
    enter<TableControl>(engine);
    enter<AbstractListBox>(engine);
    enter<ListBox>(engine);
    enter<MultiListBox>(engine);
    enter<TextView>(engine);
    enter<VideoView>(engine);
    enter<PhotoView>(engine);
    // The navigation history, which going to a form fills from the first form on.
    History::of(engine);
}

} // namespace vel
