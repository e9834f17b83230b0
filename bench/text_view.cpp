// The text view: the 20 KB article of article_text.h parsed and laid out (against a peer that only
// copies the same text and measures each word with the same fonts, the floor of any layout; the
// parse alone is bench_rtf_parse), its first page drawn, and a scroll by one line.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "article_text.h"
#include "controls/control_library.h"
#include "controls/rtf_parser.h"
#include "controls/surface_measure.h"
#include "controls/text_layout.h"
#include "controls/text_view.h"
#include "runtime/engine.h"
#include "value/builtins.h"
#include "value/data_objects.h"
#include "value/list.h"
#include "value/string.h"
#include "value/table.h"

namespace {

using namespace vel;

Value request(const std::string& text)
{
    Value r = Table::make();
    asTable(r)->put(std::string_view("Type"), Value::string("RTF"));
    // Wrapped as the view wraps a text.
    asTable(r)->put(std::string_view("Buffer"), Value::string("{\\par \\pard " + text + "}"));
    asTable(r)->put(std::string_view("Font"), Font::make(Value::string("Times New Roman"), 9, 0));
    return r;
}

struct Screen {
    Screen()
    {
        std::string error;
        engine.startUp(RunOptions::offscreenOnly(true), error);
        registerControlLibrary(engine);
    }
    ~Screen() { engine.shutDown(); }
    Engine engine;
};

void ParseAndLayOutA20KBArticle(benchmark::State& state)
{
    Screen screen;
    SurfaceMeasure measure(screen.engine);
    const std::string text = bench::articleText();
    Value parse = parseText(request(text));
    layoutText(parse, 290, 360, LayoutOptions{}, measure); // fonts measured once, as a view keeps them
    for (auto _ : state) {
        // As the view does: the records kept compactly, not as values.
        RichText records;
        parseRichText(request(text), records);
        TextLayout layout = layoutText(records, 290, 360, LayoutOptions{}, measure);
        benchmark::DoNotOptimize(layout.pieces.data());
    }
    state.counters["KB"] = static_cast<double>(text.size()) / 1000;
}
BENCHMARK(ParseAndLayOutA20KBArticle)->Unit(benchmark::kMicrosecond);

// The peer: the article's text runs copied into one string and every word measured with the font
// of its run, through the same width tables.
void PeerCopyAndMeasureEveryWord(benchmark::State& state)
{
    Screen screen;
    SurfaceMeasure measure(screen.engine);
    Value parse = parseText(request(bench::articleText()));
    std::vector<std::pair<std::string, const FontMetrics*>> runs;
    const List* records = asList(asTable(parse)->get(std::string_view("TextRuns")));
    const List* fonts = asList(asTable(parse)->get(std::string_view("ListFonts")));
    const FontMetrics* font = &measure.metrics(fonts->get(0));
    for (int32_t i = 0; i < records->count(); ++i) {
        const List* r = asList(records->get(i));
        if (r && r->get(0) == Value::integer(1))
            font = &measure.metrics(fonts->get(r->get(1).asInt()));
        else if (r && r->get(0) == Value::integer(4))
            runs.emplace_back(std::string(1, static_cast<char>(r->get(1).asInt())), font);
        else if (r && (r->get(0) == Value::integer(2) || r->get(0).asInt() >= 11) && r->get(1).is(Tag::String))
            runs.emplace_back(std::string(textOf(r->get(1))), font);
    }
    for (auto _ : state) {
        std::string copy;
        int64_t width = 0;
        for (const auto& [text, metrics] : runs) {
            const std::size_t start = copy.size();
            copy += text;
            std::string_view t = std::string_view(copy).substr(start);
            for (std::size_t at = 0; at < t.size();) {
                std::size_t end = t.find(' ', at);
                end = end == std::string_view::npos ? t.size() : end + 1;
                width += metrics->width(t.substr(at, end - at));
                at = end;
            }
        }
        benchmark::DoNotOptimize(width);
    }
}
BENCHMARK(PeerCopyAndMeasureEveryWord)->Unit(benchmark::kMicrosecond);

Value makeView(Engine& engine, const std::string& text, bool scroll)
{
    Value properties = Table::make();
    Table* p = asTable(properties);
    p->put(std::string_view("Class"), Value::string("TextView"));
    p->put(std::string_view("Hot Spot"), Region::rectangle(330, 60, 620, 420));
    p->put(std::string_view("Text"), Value::string(text));
    p->put(std::string_view("Font"), Font::make(Value::string("Times New Roman"), 9, 0));
    if (scroll)
        p->put(std::string_view("Scroll"), Table::make());
    Value view = Value::adopt(Tag::Control, new TextView(engine, properties));
    auto* v = dynamic_cast<TextView*>(view.object());
    v->onFormLoad();
    v->draw();
    return view;
}

void DrawTheFirstPage(benchmark::State& state)
{
    Screen screen;
    Value view = makeView(screen.engine, bench::articleText(), false);
    auto* v = dynamic_cast<TextView*>(view.object());
    for (auto _ : state)
        v->draw();
}
BENCHMARK(DrawTheFirstPage)->Unit(benchmark::kMicrosecond);

// Down one line and back up: each a copy of what stays and one new strip.
void ScrollByOneLine(benchmark::State& state)
{
    Screen screen;
    Value view = makeView(screen.engine, bench::articleText(), true);
    bool down = true;
    for (auto _ : state) {
        velPerform(view, Value::string(down ? "LineDown" : "LineUp"), Value());
        down = !down;
    }
}
BENCHMARK(ScrollByOneLine)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
