// Tables, collation sorting and the text-notation reader on data shaped like the title's.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "value/error.h"
#include "value/list.h"
#include "value/printer.h"
#include "value/reader.h"
#include "value/string.h"
#include "value/table.h"

namespace {

using namespace vel;

std::string randomWord(std::mt19937& random, int minLength, int maxLength)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ\xe1\xe9\xed\xf3\xfa\xe3\xf5\xe7 -";
    std::string s;
    int length = minLength + static_cast<int>(random() % static_cast<unsigned>(maxLength - minLength + 1));
    for (int i = 0; i < length; ++i)
        s += letters[random() % (sizeof letters - 1)];
    return s;
}

void TableGetStringKey(benchmark::State& state)
{
    std::mt19937 random(1);
    Value table = Table::make();
    std::vector<Value> keys;
    for (int i = 0; i < 1000; ++i) {
        keys.push_back(Value::string("Key " + std::to_string(i) + randomWord(random, 3, 12)));
        table.as<Table>()->put(keys.back(), Value::integer(i));
    }
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(table.as<Table>()->get(keys[i]));
        i = (i + 7) % keys.size();
    }
}
BENCHMARK(TableGetStringKey);

void SortStringsByCollation(benchmark::State& state)
{
    std::mt19937 random(2);
    Value list = ValueList::make();
    for (int i = 0; i < 10000; ++i)
        list.as<List>()->append(Value::string(randomWord(random, 4, 24)));
    for (auto _ : state)
        benchmark::DoNotOptimize(list.as<List>()->sort(false));
    state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(SortStringsByCollation)->Unit(benchmark::kMillisecond);

// A form file of about 100 KB: a property table with a long control list.
std::string formText()
{
    std::mt19937 random(3);
    std::string text = "; a form\n(form (\"Class\" \"ArticleForm\")\n      (\"Background Image\" (image \"fundo\"))\n"
                       "      (\"Control List\" (list\n";
    int n = 0;
    while (text.size() < 100 * 1024) {
        ++n;
        text += "        (control (\"Name\" \"Control" + std::to_string(n) + "\") (\"Class\" \"Button\")\n"
                "                 (\"Hot Spot\" (rect " + std::to_string(random() % 600) + " " +
                std::to_string(random() % 400) + " 40 20))\n"
                "                 (\"UpImage\" \"bt_up\") (\"Font\" (font \"Arial\" 10 bold))\n"
                "                 (\"Help Text\" \"" + randomWord(random, 20, 60) + "\")\n"
                "                 (\"Color\" (rgb 12 34 56)) (\"Disabled\" false) (\"Order\" " +
                std::to_string(n) + "))\n";
    }
    text += ")))\n";
    return text;
}

void ReadFormFile(benchmark::State& state)
{
    std::string text = formText();
    for (auto _ : state)
        benchmark::DoNotOptimize(parseText(text));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(ReadFormFile)->Unit(benchmark::kMillisecond);

void PrintFormQuoted(benchmark::State& state)
{
    Value form = parseText(formText());
    for (auto _ : state)
        benchmark::DoNotOptimize(quotedForm(form));
}
BENCHMARK(PrintFormQuoted)->Unit(benchmark::kMillisecond);

int failOnError(const Value& message)
{
    std::fprintf(stderr, "error: %s\n", textOf(message).data());
    std::abort();
}

} // namespace

int main(int argc, char** argv)
{
    vel::setErrorHandler(failOnError);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
