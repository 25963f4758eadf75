#include "Platform/CoreText/CTFontFace.h"

#include <cairo-ft.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include <harfbuzz/hb-ot.h>
#include <harfbuzz/hb.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <map>
#include <mutex>
#include <unordered_map>

#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/NSLog.h"

namespace {

struct FcPatternDeleter {
    void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
using FcPatternHolder = std::unique_ptr<FcPattern, FcPatternDeleter>;

struct FcCharSetDeleter {
    void operator()(FcCharSet* c) const { FcCharSetDestroy(c); }
};

struct HbBlobDeleter {
    void operator()(hb_blob_t* b) const { hb_blob_destroy(b); }
};
struct HbFaceDeleter {
    void operator()(hb_face_t* f) const { hb_face_destroy(f); }
};

// Everything the font lookup shares, behind one lock: FreeType's library is not thread-safe.
struct FontRegistry {
    std::mutex mutex;
    FT_Library library { nullptr };
    std::map<std::string, std::string> aliases;
    std::unordered_map<std::string, std::shared_ptr<CTFontFace>> byName;
    std::map<std::pair<std::string, int>, std::shared_ptr<CTFontFace>> byFile;
    std::map<std::pair<const CTFontFace*, char32_t>, std::shared_ptr<CTFontFace>> fallbacks;
};

void loadAliases(FontRegistry& registry)
{
    const auto path = NSBundle::mainBundle().pathForResource("aliases", "json", "Fonts");
    if (!path) {
        NSLog("font aliases: no Fonts/aliases.json in the bundle");
        return;
    }
    std::ifstream in(*path);
    const nlohmann::json table = nlohmann::json::parse(in, nullptr, false);
    if (!table.is_object()) {
        NSLogf("font aliases: %s is not a JSON object", path->c_str());
        return;
    }
    for (const auto& [name, pattern] : table.items()) {
        if (pattern.is_string()) {
            registry.aliases[name] = pattern.get<std::string>();
        }
    }
}

FontRegistry& registry()
{
    // Never destroyed: Cairo's caches may still hold faces while static objects are torn down.
    static FontRegistry* shared = [] {
        auto* r = new FontRegistry;
        FcInit();
        if (FT_Init_FreeType(&r->library) != 0) {
            NSLog("FreeType could not be initialised");
        }
        // Fonts shipped in the bundle take part in every match.
        const std::string dir = NSBundle::mainBundle().resourcePath() + "/Fonts";
        FcConfigAppFontAddDir(nullptr, reinterpret_cast<const FcChar8*>(dir.c_str()));
        loadAliases(*r);
        return r;
    }();
    return *shared;
}

// A pattern for a name no alias covers: "Family-Style" names (PostScript style) ask for that
// style of the family.
FcPatternHolder patternForName(const std::string& name, const std::map<std::string, std::string>& aliases)
{
    if (auto it = aliases.find(name); it != aliases.end()) {
        if (FcPattern* parsed = FcNameParse(reinterpret_cast<const FcChar8*>(it->second.c_str()))) {
            return FcPatternHolder(parsed);
        }
    }
    FcPatternHolder pattern(FcPatternCreate());
    std::string family = name;
    std::string style;
    if (const auto dash = name.rfind('-'); dash != std::string::npos && dash > 0 && dash + 1 < name.size()) {
        family = name.substr(0, dash);
        style = name.substr(dash + 1);
    }
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    if (!style.empty()) {
        FcPatternAddString(pattern.get(), FC_STYLE, reinterpret_cast<const FcChar8*>(style.c_str()));
    }
    return pattern;
}

bool matchFile(FcPattern* pattern, std::string* file, int* index)
{
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPatternHolder match(FcFontMatch(nullptr, pattern, &result));
    if (!match) {
        return false;
    }
    FcChar8* path = nullptr;
    if (FcPatternGetString(match.get(), FC_FILE, 0, &path) != FcResultMatch || !path) {
        return false;
    }
    *file = reinterpret_cast<const char*>(path);
    *index = 0;
    FcPatternGetInteger(match.get(), FC_INDEX, 0, index);
    return true;
}

std::shared_ptr<CTFontFace> lockedFaceForFile(FontRegistry& r, const std::string& path, int index);

}

// Lets the lookup functions build faces through the private constructor.
struct CTFontFaceBuilder {
    static std::shared_ptr<CTFontFace> build(FT_Library library, const std::string& path, int index)
    {
        FT_Face raw = nullptr;
        if (!library || FT_New_Face(library, path.c_str(), index, &raw) != 0 || !raw) {
            return nullptr;
        }
        std::shared_ptr<CTFontFace> face(new CTFontFace);
        face->ftFace_ = std::shared_ptr<FT_FaceRec_>(raw, [](FT_Face f) { FT_Done_Face(f); });
        face->path_ = path;
        face->index_ = index;
        face->familyName_ = raw->family_name ? raw->family_name : "";
        if (const char* ps = FT_Get_Postscript_Name(raw)) {
            face->postScriptName_ = ps;
        }
        const double upem = raw->units_per_EM > 0 ? raw->units_per_EM : 1000;
        face->unitsPerEm_ = static_cast<unsigned>(upem);
        if (FT_IS_SCALABLE(raw)) {
            face->ascent_ = raw->ascender / upem;
            face->descent_ = -raw->descender / upem;
            face->lineGap_ = std::max(0.0, raw->height / upem - face->ascent_ - face->descent_);
        }
        if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(raw, FT_SFNT_OS2)); os2 && os2->version >= 2) {
            face->capHeight_ = os2->sCapHeight / upem;
            face->xHeight_ = os2->sxHeight / upem;
        }

        std::unique_ptr<hb_blob_t, HbBlobDeleter> blob(hb_blob_create_from_file(path.c_str()));
        std::unique_ptr<hb_face_t, HbFaceDeleter> hbFace(hb_face_create(blob.get(), static_cast<unsigned>(index)));
        face->hbFont_.reset(hb_font_create(hbFace.get()));
        hb_font_set_scale(face->hbFont_.get(), static_cast<int>(upem), static_cast<int>(upem));

        // The Cairo face keeps its own reference to the FreeType face, released with it.
        cairo_font_face_t* cairoFace = cairo_ft_font_face_create_for_ft_face(raw, FT_LOAD_NO_HINTING);
        static cairo_user_data_key_t ftKey;
        auto* keep = new std::shared_ptr<FT_FaceRec_>(face->ftFace_);
        if (cairo_font_face_set_user_data(cairoFace, &ftKey, keep,
                                          [](void* p) { delete static_cast<std::shared_ptr<FT_FaceRec_>*>(p); })
            != CAIRO_STATUS_SUCCESS) {
            delete keep;
        }
        face->cairoFace_.reset(cairoFace);
        return face;
    }
};

namespace {

std::shared_ptr<CTFontFace> lockedFaceForFile(FontRegistry& r, const std::string& path, int index)
{
    const auto key = std::make_pair(path, index);
    if (auto it = r.byFile.find(key); it != r.byFile.end()) {
        return it->second;
    }
    auto face = CTFontFaceBuilder::build(r.library, path, index);
    if (face) {
        r.byFile[key] = face;
    }
    return face;
}

std::shared_ptr<CTFontFace> lockedFirstFaceCovering(FontRegistry& r, FcPattern* pattern, char32_t character)
{
    FcResult result = FcResultNoMatch;
    std::unique_ptr<FcFontSet, void (*)(FcFontSet*)> sorted(FcFontSort(nullptr, pattern, FcFalse, nullptr, &result),
                                                            FcFontSetDestroy);
    for (int i = 0; sorted && i < sorted->nfont; ++i) {
        FcChar8* path = nullptr;
        FcCharSet* covers = nullptr;
        if (FcPatternGetString(sorted->fonts[i], FC_FILE, 0, &path) != FcResultMatch || !path) continue;
        if (FcPatternGetCharSet(sorted->fonts[i], FC_CHARSET, 0, &covers) == FcResultMatch && !FcCharSetHasChar(covers, character))
            continue;
        int index = 0;
        FcPatternGetInteger(sorted->fonts[i], FC_INDEX, 0, &index);
        auto face = lockedFaceForFile(r, reinterpret_cast<const char*>(path), index);
        if (face && face->hasGlyph(character)) return face;
    }
    return nullptr;
}

}

void CTFontFace::HbFontDeleter::operator()(hb_font_t* font) const { hb_font_destroy(font); }
void CTFontFace::CairoFaceDeleter::operator()(cairo_font_face_t* face) const { cairo_font_face_destroy(face); }

CTFontFace::~CTFontFace() = default;

std::shared_ptr<CTFontFace> CTFontFace::faceForFile(const std::string& path, int index)
{
    FontRegistry& r = registry();
    std::lock_guard lock(r.mutex);
    return lockedFaceForFile(r, path, index);
}

std::shared_ptr<CTFontFace> CTFontFace::faceForName(const std::string& name)
{
    FontRegistry& r = registry();
    std::lock_guard lock(r.mutex);
    if (auto it = r.byName.find(name); it != r.byName.end()) {
        return it->second;
    }
    std::shared_ptr<CTFontFace> face;
    FcPatternHolder pattern = patternForName(name, r.aliases);
    std::string file;
    int index = 0;
    if (pattern && matchFile(pattern.get(), &file, &index)) {
        face = lockedFaceForFile(r, file, index);
    }
    if (!face) {
        // Whatever fontconfig offers first, so text always has a face to draw with.
        FcPatternHolder any(FcPatternCreate());
        if (matchFile(any.get(), &file, &index)) {
            face = lockedFaceForFile(r, file, index);
        }
    }
    if (!face) {
        NSLogf("no font found for \"%s\"", name.c_str());
        return nullptr;
    }
    r.byName[name] = face;
    return face;
}

std::shared_ptr<CTFontFace> CTFontFace::fallbackFaceForCharacter(char32_t character, const CTFontFace& base)
{
    FontRegistry& r = registry();
    std::lock_guard lock(r.mutex);
    if (auto it = r.fallbacks.find({ &base, character }); it != r.fallbacks.end()) {
        return it->second;
    }
    std::shared_ptr<CTFontFace> face;
    FcPatternHolder pattern(FcPatternCreate());
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(base.familyName().c_str()));
    std::unique_ptr<FcCharSet, FcCharSetDeleter> charset(FcCharSetCreate());
    FcCharSetAddChar(charset.get(), character);
    FcPatternAddCharSet(pattern.get(), FC_CHARSET, charset.get());
    std::string file;
    int index = 0;
    if (matchFile(pattern.get(), &file, &index)) {
        face = lockedFaceForFile(r, file, index);
        if (face && !face->hasGlyph(character)) {
            face = nullptr;
        }
    }
    if (!face) {
        // The best match weighs the family too and may lack the character: then the first
        // installed font, in fontconfig's order, that covers it.
        face = lockedFirstFaceCovering(r, pattern.get(), character);
    }
    r.fallbacks[{ &base, character }] = face;
    return face;
}

bool CTFontFace::hasGlyph(char32_t character) const
{
    hb_codepoint_t glyph = 0;
    return hb_font_get_nominal_glyph(hbFont_.get(), character, &glyph) && glyph != 0;
}
