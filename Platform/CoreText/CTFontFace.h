#pragma once

#include <memory>
#include <string>

typedef struct _cairo_font_face cairo_font_face_t;
typedef struct hb_font_t hb_font_t;

// One font file face, shared by every CTFont of any size that resolves to it. Faces are found
// once per name (alias table, then fontconfig) and kept for the life of the process.
class CTFontFace {
public:
    // The face for a font name: the bundle's alias table first, then fontconfig's best match.
    static std::shared_ptr<CTFontFace> faceForName(const std::string& name);
    // The face that covers a character the given face lacks; null when no installed font has it.
    static std::shared_ptr<CTFontFace> fallbackFaceForCharacter(char32_t character, const CTFontFace& base);
    // The face of a file and index; null when the file cannot be read as a font.
    static std::shared_ptr<CTFontFace> faceForFile(const std::string& path, int index);

    ~CTFontFace();
    CTFontFace(const CTFontFace&) = delete;
    CTFontFace& operator=(const CTFontFace&) = delete;

    const std::string& path() const { return path_; }
    int index() const { return index_; }
    const std::string& familyName() const { return familyName_; }
    const std::string& postScriptName() const { return postScriptName_; }

    // Metrics in em units (1.0 = point size).
    double ascent() const { return ascent_; }
    double descent() const { return descent_; }
    double lineGap() const { return lineGap_; }
    double capHeight() const { return capHeight_; }
    double xHeight() const { return xHeight_; }
    unsigned unitsPerEm() const { return unitsPerEm_; }

    // True when the face maps the character to a glyph.
    bool hasGlyph(char32_t character) const;

    // Shaping font at a scale of unitsPerEm (positions come back in font units).
    hb_font_t* hbFont() const { return hbFont_.get(); }
    cairo_font_face_t* cairoFace() const { return cairoFace_.get(); }

private:
    CTFontFace() = default;
    friend struct CTFontFaceBuilder;

    struct HbFontDeleter { void operator()(hb_font_t* font) const; };
    struct CairoFaceDeleter { void operator()(cairo_font_face_t* face) const; };

    std::string path_;
    int index_ { 0 };
    std::string familyName_;
    std::string postScriptName_;
    double ascent_ { 0.8 };
    double descent_ { 0.2 };
    double lineGap_ { 0 };
    double capHeight_ { 0.7 };
    double xHeight_ { 0.5 };
    unsigned unitsPerEm_ { 1000 };
    // The FreeType face is shared with the Cairo face, which may outlive this object in Cairo's caches.
    std::shared_ptr<struct FT_FaceRec_> ftFace_;
    std::unique_ptr<hb_font_t, HbFontDeleter> hbFont_;
    std::unique_ptr<cairo_font_face_t, CairoFaceDeleter> cairoFace_;
};
