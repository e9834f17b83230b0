// The title's disc as the build made it (build/disc): every form the title preloads is there and
// decodes under its name, every picture, sound and movie its forms and global table name is on it,
// and the databases the start opens open.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "index/title_indexes.h"
#include "title/title_app.h"
#include "value/archive.h"
#include "value/builtins.h"
#include "value/encoding.h"
#include "value/list.h"
#include "value/makers.h"
#include "value/string.h"
#include "value/table.h"

namespace {

using namespace vel;
const std::string kDisc = (std::filesystem::path(VEL_BIN_DIR).parent_path() / "disc").string();

Value decodeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    const std::string b = bytes.str();
    return b.empty() ? Value() : decodeFromBytes(reinterpret_cast<const uint8_t*>(b.data()), b.size());
}

// Every file a property of the value (forms, controls, tables and lists within) names.
void collectMedia(const Value& v, std::set<std::string>& files)
{
    static const std::set<std::string> kFileKeys = {
        "Background Image", "UpImage", "DownImage", "DisabledImage", "Image", "SelectedImage", "DeselectedImage",
        "BarImage", "ThumbImage", "VideoName", "Video", "IntroVideo", "VolumeSound", "OrvaleBack", "AjudaBack",
        "InternetBack", "Narrator", "Sound"};
    if (auto* composite = dynamic_cast<CompositeObject*>(v.object()))
        return collectMedia(composite->wireParts().first, files);
    if (Table* t = asTable(v)) {
        for (int32_t slot = t->firstIndex(); slot >= 0; slot = t->nextIndex(slot)) {
            const Value& value = t->valueRef(slot);
            if (kFileKeys.count(std::string(textOf(t->keyRef(slot)))) && value.is(Tag::String)) {
                std::string name(textOf(value));
                files.insert(name.find('.') == std::string::npos ? name + ".wav" : name);
            }
            collectMedia(value, files);
        }
    } else if (List* l = asList(v)) {
        for (int32_t i = 0; i < l->count(); ++i)
            collectMedia(l->get(i), files);
    }
}

TEST(TitleDisc, EveryPreloadedFormDecodesUnderItsNameAndEveryFileItNamesIsOnTheDisc)
{
    std::set<std::string> media;
    for (const TitleFormBinding& binding : TitleApp::preloadedForms()) {
        const std::string path = findFileIgnoringCase(kDisc, std::string(binding.file) + ".vel");
        Value form = decodeFile(path);
        ASSERT_TRUE(form.is(Tag::Form)) << path;
        EXPECT_EQ(textOf(velGet(form, Value::string("Name"))), binding.name) << path;
        collectMedia(form, media);
    }
    collectMedia(decodeFile(kDisc + "/global.vel"), media);
    EXPECT_GT(media.size(), 100u);
    for (const std::string& file : media)
        EXPECT_TRUE(std::filesystem::is_regular_file(findFileIgnoringCase(kDisc, file))) << file;
}

TEST(TitleDisc, TheDatabasesAndCategoryListsOpen)
{
    TitleIndexes indexes;
    indexes.registerAll(kDisc + "/DAT");
    for (const TitleIndexFile& file : TitleIndexes::table())
        EXPECT_FALSE(indexes.get(file.name).isNil()) << file.file;
    for (const char* archive : {"DAT/Verbetes.dat", "DAT/Midias.dat", "DAT/Atlas.dat"})
        EXPECT_FALSE(Archive::open(Value::string(kDisc + "/" + archive), false).isNil()) << archive;
    for (const char* list : {"IDCatLst.DTT", "IDMidLst.DTT", "RTCatLst.DTT", "ATCatLst.DTT"}) {
        Value categories = Archive::open(Value::string(kDisc + "/" + list), false);
        ASSERT_FALSE(categories.isNil()) << list;
        EXPECT_TRUE(asList(velGet(velGet(categories, 0), Value::string("Cat0")))) << list;
    }
}

} // namespace
