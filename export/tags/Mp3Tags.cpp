#include "export/tags/Mp3Tags.h"

#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>

namespace quillon::engine {
namespace {

// Each frame in UTF-8, which ID3v2.4 allows; TagLib's own setters would pick
// Latin-1 unless told otherwise through a setting shared by every thread.
void SetText(TagLib::ID3v2::Tag& tag, const char* id, const std::string& value) {
    if (value.empty()) return;
    tag.removeFrames(id);
    auto* frame = new TagLib::ID3v2::TextIdentificationFrame(id, TagLib::String::UTF8);
    frame->setText(TagLib::String(value, TagLib::String::UTF8));
    tag.addFrame(frame);  // the tag owns it
}

}  // namespace

bool WriteMp3Tags(const std::string& path, const TrackTags& tags) {
    // The file is opened as MPEG whatever its name: the save's temporary name
    // has no extension TagLib would know.
    TagLib::MPEG::File file(path.c_str(), false);
    if (!file.isValid()) return false;
    TagLib::ID3v2::Tag* tag = file.ID3v2Tag(true);
    if (!tag) return false;
    SetText(*tag, "TIT2", tags.Title);
    SetText(*tag, "TPE1", tags.Artist);
    SetText(*tag, "TALB", tags.Album);
    SetText(*tag, "TDRC", tags.Year);
    SetText(*tag, "TCON", tags.Genre);
    SetText(*tag, "TRCK", std::to_string(tags.Number) + "/" + std::to_string(tags.Total));
    return file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, TagLib::ID3v2::v4,
                     TagLib::File::DoNotDuplicate);
}

bool TagMp3Conversion(SaveJob& job, const Mp3Conversion& conversion) {
    return WriteMp3Tags(conversion.TempName, TagsOfTrack(job, conversion.Track));
}

}  // namespace quillon::engine
