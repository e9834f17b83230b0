// What a title screen does to show a media item full size, print a picture and copy a rich text:
// the videos in "VideoControl" (inside "VideoFrame") and the animations in "AnimControl", looping
// when their name is in "LoopingVideos" / "LoopingAnims"; flags, maps and photographs in FotoDialog;
// chronologies, books and tables in their text dialogs; infographics on their own screens.
//
// A media record is a list whose items 1 to 9 are: name, viewer title, type (0-9), caption (rich
// text), movie or infographic file, clip still, the viewer's image or text, the book and table
// title, and the articles that use the item (nil when none).
#pragma once

#include <cstdint>
#include <string_view>

#include "value/value.h"

namespace vel {

class velFormObject;
class velLibraryForm;

// The media types.
enum MediaType : int32_t {
    kAnimation = 0, kNoZoom = 1, kFlag = 2, kChronology = 3, kPhotograph = 4,
    kInfographic = 5, kBook = 6, kMap = 7, kTable = 8, kVideo = 9,
};

// The record's type; -1 when it has none within 0-9.
int32_t mediaType(const Value& record);
// Whether the type's zoom plays (animations and videos) rather than opens.
bool mediaPlays(int32_t type);

// Opens or plays the item as its type says; false when there was nothing to do (type 1, a type
// outside 0-9, a viewer the screen lacks, an infographic not in "ValidInfos").
bool zoomMedia(velLibraryForm& form, const Value& record);

// Plays the movie file in the form's "VideoControl" or "AnimControl"; `loop` starts it again at its
// end. False when the form has no such control or the movie does not start.
bool playVideo(velLibraryForm& form, std::string_view file, bool loop);
bool playAnimation(velLibraryForm& form, std::string_view file);

// Prints the form's "PrintingRect" (the whole screen without one) as a job of that name, headed
// "Orvale Vanta - " and the title, with the page number at the foot.
void printPicture(velFormObject& form, std::string_view job, std::string_view title);
// The rich text's characters on the clipboard, a line break at each paragraph's end, while the
// form's "Copiando" notice shows.
void copyPlainText(velFormObject& form, const Value& richText);
// The rich text as plain text.
std::string plainText(const Value& richText);

} // namespace vel
