#include "Platform/CoreGraphics/CGContext.h"

#include <cmath>

namespace {

// Cairo refuses surfaces beyond this many pixels a side.
constexpr CGFloat kMaxSurfaceSide = 32767;

const CGColorRef& blackColor()
{
    static const CGColorRef black = CGColorCreateRGBA(0, 0, 0, 1);
    return black;
}

cairo_matrix_t toCairo(const CGAffineTransform& t) { return { t.a, t.b, t.c, t.d, t.tx, t.ty }; }
CGAffineTransform fromCairo(const cairo_matrix_t& m) { return { m.xx, m.yx, m.xy, m.yy, m.x0, m.y0 }; }

void addPathToCairo(cairo_t* cr, const CGPath& path)
{
    for (const CGPath::Element& e : path.elements()) {
        switch (e.type) {
        case CGPath::ElementType::MoveToPoint: cairo_move_to(cr, e.points[0].x, e.points[0].y); break;
        case CGPath::ElementType::AddLineToPoint: cairo_line_to(cr, e.points[0].x, e.points[0].y); break;
        case CGPath::ElementType::AddCurveToPoint:
            cairo_curve_to(cr, e.points[0].x, e.points[0].y, e.points[1].x, e.points[1].y, e.points[2].x, e.points[2].y);
            break;
        case CGPath::ElementType::CloseSubpath: cairo_close_path(cr); break;
        }
    }
}

// Maps an image of w x h pixels onto rect with its first row at the rectangle's maximum y.
void transformForImage(cairo_t* cr, CGRect rect, std::size_t w, std::size_t h)
{
    rect = CGRectStandardize(rect);
    cairo_translate(cr, rect.origin.x, rect.origin.y + rect.size.height);
    cairo_scale(cr, rect.size.width / static_cast<double>(w), -rect.size.height / static_cast<double>(h));
}

}

std::unique_ptr<CGContext> CGContext::createImageContext(CGSize size, CGFloat scale, bool opaque, bool flipped)
{
    if (!(scale > 0)) {
        scale = 1;
    }
    const CGFloat pw = std::ceil(size.width * scale);
    const CGFloat ph = std::ceil(size.height * scale);
    if (!(pw >= 1 && ph >= 1 && pw <= kMaxSurfaceSide && ph <= kMaxSurfaceSide)) {
        return nullptr;
    }
    cairo_surface_t* surface = cairo_image_surface_create(opaque ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_ARGB32,
                                                          static_cast<int>(pw), static_cast<int>(ph));
    std::unique_ptr<CGContext> context(new CGContext);
    context->cr_.reset(cairo_create(surface));
    cairo_surface_destroy(surface); // the context keeps its own reference
    if (cairo_status(context->cr_.get()) != CAIRO_STATUS_SUCCESS) {
        return nullptr;
    }
    context->scale_ = scale;
    context->setUp();
    if (flipped) {
        cairo_scale(context->cr_.get(), scale, scale);
    } else {
        cairo_translate(context->cr_.get(), 0, ph);
        cairo_scale(context->cr_.get(), scale, -scale);
    }
    return context;
}

CGContext::CGContext(cairo_surface_t* surface)
    : cr_(cairo_create(surface))
{
    setUp();
}

CGContext::~CGContext() = default;

void CGContext::setUp()
{
    states_.back().fillColor = blackColor();
    states_.back().strokeColor = blackColor();
    // Unhinted outlines and metrics, so drawn glyphs sit exactly where the layout put them.
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_set_font_options(cr_.get(), options);
    cairo_font_options_destroy(options);
    cairo_set_line_width(cr_.get(), 1.0);
}

CGImageRef CGContext::makeImage() const
{
    cairo_surface_t* target = surface();
    if (cairo_surface_get_type(target) != CAIRO_SURFACE_TYPE_IMAGE) {
        return nullptr;
    }
    cairo_surface_flush(target);
    const int w = cairo_image_surface_get_width(target);
    const int h = cairo_image_surface_get_height(target);
    cairo_surface_t* copy = cairo_image_surface_create(cairo_image_surface_get_format(target), w, h);
    cairo_t* cr = cairo_create(copy);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, target, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    return std::make_shared<const CGImage>(copy);
}

void CGContext::saveState()
{
    cairo_save(cr_.get());
    states_.push_back(states_.back());
}

void CGContext::restoreState()
{
    // An unbalanced restore is ignored rather than emptying the stack.
    if (states_.size() > 1) {
        states_.pop_back();
        cairo_restore(cr_.get());
    }
}

bool CGContext::beginMask()
{
    if (!state().mask) {
        return false;
    }
    cairo_push_group(cr_.get());
    return true;
}

void CGContext::endMask()
{
    cairo_t* cr = cr_.get();
    cairo_pop_group_to_source(cr);
    cairo_save(cr);
    cairo_identity_matrix(cr);
    cairo_mask_surface(cr, state().mask.get(), 0, 0);
    cairo_restore(cr);
}

void CGContext::setSourceColor(const CGColor& color)
{
    cairo_set_source_rgba(cr_.get(), color.red(), color.green(), color.blue(), color.alpha() * state().alpha);
}

void CGContext::showGlyphs(cairo_font_face_t* face, CGFloat size, const std::vector<cairo_glyph_t>& glyphs,
                           const CGColor& color)
{
    if (glyphs.empty() || !face) {
        return;
    }
    cairo_t* cr = cr_.get();
    cairo_save(cr);
    const cairo_matrix_t text = toCairo(textMatrix);
    cairo_transform(cr, &text);
    cairo_set_font_face(cr, face);
    // Glyph outlines rise toward +y of text space.
    cairo_matrix_t fontMatrix;
    cairo_matrix_init(&fontMatrix, size, 0, 0, -size, 0, 0);
    cairo_set_font_matrix(cr, &fontMatrix);
    setSourceColor(color);
    paintMasked([&](cairo_t* c) { cairo_show_glyphs(c, glyphs.data(), static_cast<int>(glyphs.size())); });
    cairo_restore(cr);
}

void CGContextSaveGState(CGContextRef c)
{
    if (c) {
        c->saveState();
    }
}

void CGContextRestoreGState(CGContextRef c)
{
    if (c) {
        c->restoreState();
    }
}

void CGContextTranslateCTM(CGContextRef c, CGFloat tx, CGFloat ty)
{
    if (c) {
        cairo_translate(c->cairo(), tx, ty);
    }
}

void CGContextScaleCTM(CGContextRef c, CGFloat sx, CGFloat sy)
{
    // A zero scale would make Cairo's matrix singular and put the context into an error state.
    if (c && sx != 0 && sy != 0 && std::isfinite(sx) && std::isfinite(sy)) {
        cairo_scale(c->cairo(), sx, sy);
    }
}

void CGContextRotateCTM(CGContextRef c, CGFloat angle)
{
    if (c && std::isfinite(angle)) {
        cairo_rotate(c->cairo(), angle);
    }
}

void CGContextConcatCTM(CGContextRef c, CGAffineTransform transform)
{
    const CGFloat det = transform.a * transform.d - transform.b * transform.c;
    if (c && det != 0 && std::isfinite(det)) {
        const cairo_matrix_t m = toCairo(transform);
        cairo_transform(c->cairo(), &m);
    }
}

CGAffineTransform CGContextGetCTM(CGContextRef c)
{
    if (!c) {
        return CGAffineTransformIdentity;
    }
    cairo_matrix_t m;
    cairo_get_matrix(c->cairo(), &m);
    return fromCairo(m);
}

void CGContextSetFillColorWithColor(CGContextRef c, const CGColorRef& color)
{
    if (c) {
        c->state().fillColor = color ? color : blackColor();
    }
}

void CGContextSetStrokeColorWithColor(CGContextRef c, const CGColorRef& color)
{
    if (c) {
        c->state().strokeColor = color ? color : blackColor();
    }
}

void CGContextSetRGBFillColor(CGContextRef c, CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha)
{
    CGContextSetFillColorWithColor(c, CGColorCreateRGBA(red, green, blue, alpha));
}

void CGContextSetRGBStrokeColor(CGContextRef c, CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha)
{
    CGContextSetStrokeColorWithColor(c, CGColorCreateRGBA(red, green, blue, alpha));
}

void CGContextSetGrayFillColor(CGContextRef c, CGFloat gray, CGFloat alpha)
{
    CGContextSetRGBFillColor(c, gray, gray, gray, alpha);
}

void CGContextSetGrayStrokeColor(CGContextRef c, CGFloat gray, CGFloat alpha)
{
    CGContextSetRGBStrokeColor(c, gray, gray, gray, alpha);
}

void CGContextSetAlpha(CGContextRef c, CGFloat alpha)
{
    if (c && !std::isnan(alpha)) {
        c->state().alpha = std::fmin(1.0, std::fmax(0.0, alpha));
    }
}

void CGContextSetLineWidth(CGContextRef c, CGFloat width)
{
    if (c && width >= 0) {
        cairo_set_line_width(c->cairo(), width);
    }
}

void CGContextSetLineCap(CGContextRef c, CGLineCap cap)
{
    if (!c) {
        return;
    }
    cairo_set_line_cap(c->cairo(), cap == kCGLineCapRound ? CAIRO_LINE_CAP_ROUND
                               : cap == kCGLineCapSquare ? CAIRO_LINE_CAP_SQUARE
                                                         : CAIRO_LINE_CAP_BUTT);
}

void CGContextSetLineJoin(CGContextRef c, CGLineJoin join)
{
    if (!c) {
        return;
    }
    cairo_set_line_join(c->cairo(), join == kCGLineJoinRound ? CAIRO_LINE_JOIN_ROUND
                                : join == kCGLineJoinBevel ? CAIRO_LINE_JOIN_BEVEL
                                                           : CAIRO_LINE_JOIN_MITER);
}

void CGContextSetShouldAntialias(CGContextRef c, bool antialias)
{
    if (c) {
        cairo_set_antialias(c->cairo(), antialias ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
    }
}

void CGContextBeginPath(CGContextRef c)
{
    if (c) {
        cairo_new_path(c->cairo());
    }
}

void CGContextMoveToPoint(CGContextRef c, CGFloat x, CGFloat y)
{
    if (c) {
        cairo_move_to(c->cairo(), x, y);
    }
}

void CGContextAddLineToPoint(CGContextRef c, CGFloat x, CGFloat y)
{
    if (c) {
        cairo_line_to(c->cairo(), x, y);
    }
}

void CGContextAddCurveToPoint(CGContextRef c, CGFloat cp1x, CGFloat cp1y, CGFloat cp2x, CGFloat cp2y, CGFloat x, CGFloat y)
{
    if (c) {
        cairo_curve_to(c->cairo(), cp1x, cp1y, cp2x, cp2y, x, y);
    }
}

void CGContextAddPath(CGContextRef c, const CGPathRef& path)
{
    if (c && path) {
        addPathToCairo(c->cairo(), *path);
    }
}

void CGContextAddRect(CGContextRef c, CGRect rect)
{
    CGContextAddPath(c, CGPathCreateWithRect(rect, nullptr));
}

void CGContextAddRects(CGContextRef c, const CGRect* rects, std::size_t count)
{
    for (std::size_t i = 0; rects && i < count; ++i) {
        CGContextAddRect(c, rects[i]);
    }
}

void CGContextAddEllipseInRect(CGContextRef c, CGRect rect)
{
    auto path = CGPathCreateMutable();
    CGPathAddEllipseInRect(path, nullptr, rect);
    CGContextAddPath(c, path);
}

void CGContextAddArc(CGContextRef c, CGFloat x, CGFloat y, CGFloat radius, CGFloat startAngle, CGFloat endAngle, int clockwise)
{
    if (!c) {
        return;
    }
    auto path = CGPathCreateMutable();
    CGPathAddArc(path, nullptr, x, y, radius, startAngle, endAngle, clockwise != 0);
    if (cairo_has_current_point(c->cairo())) {
        // Join from the current point instead of starting a new sub-path.
        const auto& e = path->elements();
        cairo_line_to(c->cairo(), e.front().points[0].x, e.front().points[0].y);
        for (std::size_t i = 1; i < e.size(); ++i) {
            cairo_curve_to(c->cairo(), e[i].points[0].x, e[i].points[0].y, e[i].points[1].x, e[i].points[1].y,
                           e[i].points[2].x, e[i].points[2].y);
        }
        return;
    }
    CGContextAddPath(c, path);
}

void CGContextClosePath(CGContextRef c)
{
    if (c) {
        cairo_close_path(c->cairo());
    }
}

bool CGContextIsPathEmpty(CGContextRef c)
{
    if (!c) {
        return true;
    }
    cairo_path_t* path = cairo_copy_path(c->cairo());
    const bool empty = path->num_data == 0;
    cairo_path_destroy(path);
    return empty;
}

void CGContextDrawPath(CGContextRef c, CGPathDrawingMode mode)
{
    if (!c) {
        return;
    }
    cairo_t* cr = c->cairo();
    const bool fill = mode != kCGPathStroke;
    const bool stroke = mode == kCGPathStroke || mode == kCGPathFillStroke || mode == kCGPathEOFillStroke;
    const bool evenOdd = mode == kCGPathEOFill || mode == kCGPathEOFillStroke;
    if (fill) {
        cairo_set_fill_rule(cr, evenOdd ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
        c->setSourceColor(*c->state().fillColor);
        c->paintMasked([](cairo_t* r) { cairo_fill_preserve(r); });
    }
    if (stroke) {
        c->setSourceColor(*c->state().strokeColor);
        c->paintMasked([](cairo_t* r) { cairo_stroke_preserve(r); });
    }
    cairo_new_path(cr);
}

void CGContextFillPath(CGContextRef c) { CGContextDrawPath(c, kCGPathFill); }
void CGContextEOFillPath(CGContextRef c) { CGContextDrawPath(c, kCGPathEOFill); }
void CGContextStrokePath(CGContextRef c) { CGContextDrawPath(c, kCGPathStroke); }

void CGContextFillRect(CGContextRef c, CGRect rect) { CGContextFillRects(c, &rect, 1); }

void CGContextFillRects(CGContextRef c, const CGRect* rects, std::size_t count)
{
    CGContextBeginPath(c);
    CGContextAddRects(c, rects, count);
    CGContextFillPath(c);
}

void CGContextStrokeRect(CGContextRef c, CGRect rect)
{
    CGContextBeginPath(c);
    CGContextAddRect(c, rect);
    CGContextStrokePath(c);
}

void CGContextStrokeRectWithWidth(CGContextRef c, CGRect rect, CGFloat width)
{
    if (!c) {
        return;
    }
    cairo_save(c->cairo());
    CGContextSetLineWidth(c, width);
    CGContextStrokeRect(c, rect);
    cairo_restore(c->cairo());
}

void CGContextFillEllipseInRect(CGContextRef c, CGRect rect)
{
    CGContextBeginPath(c);
    CGContextAddEllipseInRect(c, rect);
    CGContextFillPath(c);
}

void CGContextStrokeEllipseInRect(CGContextRef c, CGRect rect)
{
    CGContextBeginPath(c);
    CGContextAddEllipseInRect(c, rect);
    CGContextStrokePath(c);
}

void CGContextStrokeLineSegments(CGContextRef c, const CGPoint* points, std::size_t count)
{
    CGContextBeginPath(c);
    for (std::size_t i = 0; points && i + 1 < count; i += 2) {
        CGContextMoveToPoint(c, points[i].x, points[i].y);
        CGContextAddLineToPoint(c, points[i + 1].x, points[i + 1].y);
    }
    CGContextStrokePath(c);
}

void CGContextClearRect(CGContextRef c, CGRect rect)
{
    if (!c || CGRectIsNull(rect)) {
        return;
    }
    cairo_t* cr = c->cairo();
    cairo_save(cr);
    cairo_new_path(cr);
    rect = CGRectStandardize(rect);
    cairo_rectangle(cr, rect.origin.x, rect.origin.y, rect.size.width, rect.size.height);
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_fill(cr);
    cairo_restore(cr);
}

void CGContextClip(CGContextRef c)
{
    if (c) {
        cairo_set_fill_rule(c->cairo(), CAIRO_FILL_RULE_WINDING);
        cairo_clip(c->cairo());
    }
}

void CGContextEOClip(CGContextRef c)
{
    if (c) {
        cairo_set_fill_rule(c->cairo(), CAIRO_FILL_RULE_EVEN_ODD);
        cairo_clip(c->cairo());
        cairo_set_fill_rule(c->cairo(), CAIRO_FILL_RULE_WINDING);
    }
}

void CGContextClipToRect(CGContextRef c, CGRect rect) { CGContextClipToRects(c, &rect, 1); }

void CGContextClipToRects(CGContextRef c, const CGRect* rects, std::size_t count)
{
    if (!c) {
        return;
    }
    // Keep the path being built; clipping to rectangles does not consume it.
    cairo_path_t* saved = cairo_copy_path(c->cairo());
    cairo_new_path(c->cairo());
    CGContextAddRects(c, rects, count);
    CGContextClip(c);
    cairo_append_path(c->cairo(), saved);
    cairo_path_destroy(saved);
}

void CGContextClipToMask(CGContextRef c, CGRect rect, const CGImageRef& mask)
{
    if (!c || !mask || CGRectIsEmpty(rect)) {
        return;
    }
    cairo_surface_t* target = c->surface();
    const int w = cairo_image_surface_get_width(target);
    const int h = cairo_image_surface_get_height(target);
    if (w <= 0 || h <= 0) {
        return;
    }
    // The new coverage is the old one (or everything) times the image's alpha where it lands.
    cairo_surface_t* coverage = cairo_image_surface_create(CAIRO_FORMAT_A8, w, h);
    cairo_t* cr = cairo_create(coverage);
    if (const auto& old = c->state().mask) {
        cairo_set_source_surface(cr, old.get(), 0, 0);
    } else {
        cairo_set_source_rgba(cr, 0, 0, 0, 1);
    }
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_matrix_t ctm;
    cairo_get_matrix(c->cairo(), &ctm);
    cairo_set_matrix(cr, &ctm);
    transformForImage(cr, rect, mask->width(), mask->height());
    cairo_set_source_surface(cr, mask->surface(), 0, 0);
    cairo_set_operator(cr, CAIRO_OPERATOR_DEST_IN);
    cairo_paint(cr);
    cairo_destroy(cr);
    c->state().mask = std::shared_ptr<cairo_surface_t>(coverage, cairo_surface_destroy);
}

CGRect CGContextGetClipBoundingBox(CGContextRef c)
{
    if (!c) {
        return CGRectNull;
    }
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    cairo_clip_extents(c->cairo(), &x1, &y1, &x2, &y2);
    return CGRectMake(x1, y1, x2 - x1, y2 - y1);
}

void CGContextDrawImage(CGContextRef c, CGRect rect, const CGImageRef& image)
{
    if (!c || !image || CGRectIsEmpty(rect) || image->width() == 0 || image->height() == 0) {
        return;
    }
    cairo_t* cr = c->cairo();
    cairo_save(cr);
    cairo_new_path(cr);
    transformForImage(cr, rect, image->width(), image->height());
    cairo_rectangle(cr, 0, 0, static_cast<double>(image->width()), static_cast<double>(image->height()));
    cairo_clip(cr);
    cairo_set_source_surface(cr, image->surface(), 0, 0);
    // Edge pixels repeat so a scaled image does not fade out at its border.
    cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
    const CGFloat alpha = c->state().alpha;
    c->paintMasked([alpha](cairo_t* r) { cairo_paint_with_alpha(r, alpha); });
    cairo_restore(cr);
}

void CGContextSetTextPosition(CGContextRef c, CGFloat x, CGFloat y)
{
    if (c) {
        c->textMatrix.tx = x;
        c->textMatrix.ty = y;
    }
}

CGPoint CGContextGetTextPosition(CGContextRef c)
{
    return c ? CGPoint { c->textMatrix.tx, c->textMatrix.ty } : CGPointZero;
}

void CGContextSetTextMatrix(CGContextRef c, CGAffineTransform matrix)
{
    if (c) {
        c->textMatrix = matrix;
    }
}

CGAffineTransform CGContextGetTextMatrix(CGContextRef c) { return c ? c->textMatrix : CGAffineTransformIdentity; }

CGImageRef CGBitmapContextCreateImage(CGContextRef c) { return c ? c->makeImage() : nullptr; }
