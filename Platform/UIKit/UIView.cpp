#include "Platform/UIKit/UIView.h"

#include <algorithm>
#include <cmath>

#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/UIKit/UIClassRegistry.h"
#include "Platform/UIKit/UIGestureRecognizer.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIRenderer.h"
#include "Platform/UIKit/UIWindow.h"

namespace {

// Below this alpha a view is treated as invisible by hit testing, as on the device.
constexpr CGFloat kHitTestMinimumAlpha = 0.01;

std::uint64_t gDisplayGeneration = 1;

void displayChanged()
{
    ++gDisplayGeneration;
}

// Views waiting for the layout pass, and the token of a queued pass: when the run loop drops the
// queued pass (a test resets it), the token dies with it and the next request queues a new one.
std::vector<std::weak_ptr<UIView>>& pendingLayout()
{
    static std::vector<std::weak_ptr<UIView>> views;
    return views;
}
std::weak_ptr<void> gLayoutPassToken;

void scheduleLayoutPass()
{
    if (!gLayoutPassToken.expired()) {
        return;
    }
    auto token = std::make_shared<int>(0);
    gLayoutPassToken = token;
    dispatchAsyncMain([token] { UIView::layoutPendingViews(); });
}

// Only views held by a shared pointer can wait for the pass; others are laid out with their tree.
void queueForLayout(UIView* view)
{
    auto held = std::static_pointer_cast<UIView>(view->weak_from_this().lock());
    if (held) {
        pendingLayout().push_back(held);
        scheduleLayoutPass();
    }
}

CGAffineTransform translation(CGFloat x, CGFloat y)
{
    return CGAffineTransformMakeTranslation(x, y);
}

// A layer tree that leaves the window, or whose superview is destroyed, loses its animations, as
// on the platform: each one stops unfinished (its completion sees NO). An animation left running
// would keep its delegate, and a completion holding views or their controllers, alive through
// the layer it runs on.
void stopAnimationsInTree(CALayer& layer)
{
    layer.removeAllAnimations();
    const auto sublayers = layer.sublayers();
    for (const auto& sublayer : sublayers) {
        stopAnimationsInTree(*sublayer);
    }
}

} // namespace

UIView::UIView(CGRect frame)
{
    UIRenderer::installLayerDrawing();
    const CGRect standard = CGRectStandardize(frame);
    layer_->setBounds({ CGPointZero, standard.size });
    layer_->setPosition({ CGRectGetMidX(standard), CGRectGetMidY(standard) });
}

UIView::~UIView()
{
    for (const auto& view : subviews_) {
        view->superview_ = nullptr;
        stopAnimationsInTree(*view->layer_);
    }
    for (const auto& recognizer : gestureRecognizers_) {
        recognizer->setView(nullptr);
    }
}

UIViewRef UIView::selfRef()
{
    return std::static_pointer_cast<UIView>(shared_from_this());
}

// ---- Geometry ---------------------------------------------------------------------------------

CGRect UIView::frame() const
{
    const CGRect b = bounds();
    const CGPoint c = center();
    const CGRect centred = CGRectMake(-b.size.width / 2, -b.size.height / 2, b.size.width, b.size.height);
    const CGAffineTransform t = transform();
    const CGRect box = CGAffineTransformIsIdentity(t) ? centred : CGRectApplyAffineTransform(centred, t);
    return CGRectOffset(box, c.x, c.y);
}

void UIView::setFrame(CGRect frame)
{
    const CGRect standard = CGRectStandardize(frame);
    const CGSize oldSize = bounds().size;
    const CGPoint newCenter { CGRectGetMidX(standard), CGRectGetMidY(standard) };
    if (!(newCenter == center())) {
        willChangeAnimatable("position");
        layer_->setPosition(newCenter);
    }
    if (!(standard.size == oldSize)) {
        willChangeAnimatable("bounds");
        layer_->setBounds({ bounds().origin, standard.size });
        boundsSizeDidChange(oldSize);
    }
    displayChanged();
}

void UIView::setBounds(CGRect newBounds)
{
    const CGRect standard = CGRectStandardize(newBounds);
    const CGRect old = bounds();
    if (old == standard) {
        return;
    }
    willChangeAnimatable("bounds");
    layer_->setBounds(standard);
    if (!(standard.size == old.size)) {
        boundsSizeDidChange(old.size);
    }
    displayChanged();
}

void UIView::setCenter(CGPoint newCenter)
{
    if (newCenter == center()) {
        return;
    }
    willChangeAnimatable("position");
    layer_->setPosition(newCenter);
    displayChanged();
}

CGAffineTransform UIView::transform() const
{
    return CATransform3DGetAffineTransform(layer_->transform());
}

void UIView::setTransform(CGAffineTransform newTransform)
{
    willChangeAnimatable("transform");
    layer_->setTransform(CATransform3DMakeAffineTransform(newTransform));
    displayChanged();
}

void UIView::boundsSizeDidChange(CGSize oldSize)
{
    resizeSubviewsWithOldSize(oldSize);
    setNeedsLayout();
    setNeedsDisplay();
}

void UIView::resizeSubviewsWithOldSize(CGSize oldSize)
{
    if (!autoresizesSubviews_) {
        return;
    }
    const CGSize newSize = bounds().size;
    const auto subviews = subviews_;
    for (const auto& view : subviews) {
        view->autoresizeInSuperviewWithOldSize(oldSize, newSize);
    }
}

namespace {

// Shares a change of the superview's extent among the flexible parts of one axis (leading
// margin, size, trailing margin) in proportion to their present lengths; equally when the
// flexible parts have no length.
void distribute(CGFloat delta, unsigned mask, unsigned leadFlag, unsigned sizeFlag, unsigned trailFlag, CGFloat& lead,
                CGFloat& size, CGFloat trail)
{
    const bool flexLead = (mask & leadFlag) != 0;
    const bool flexSize = (mask & sizeFlag) != 0;
    const bool flexTrail = (mask & trailFlag) != 0;
    const int count = int(flexLead) + int(flexSize) + int(flexTrail);
    if (count == 0 || delta == 0) {
        return;
    }
    const CGFloat total = (flexLead ? std::max<CGFloat>(lead, 0) : 0) + (flexSize ? std::max<CGFloat>(size, 0) : 0)
        + (flexTrail ? std::max<CGFloat>(trail, 0) : 0);
    const auto share = [&](bool flexible, CGFloat length) -> CGFloat {
        if (!flexible) {
            return 0;
        }
        return total > 0 ? delta * std::max<CGFloat>(length, 0) / total : delta / count;
    };
    const CGFloat leadShare = share(flexLead, lead);
    const CGFloat sizeShare = share(flexSize, size);
    lead += leadShare;
    size = std::max<CGFloat>(0, size + sizeShare);
}

} // namespace

void UIView::autoresizeInSuperviewWithOldSize(CGSize oldSuperSize, CGSize newSuperSize)
{
    if (autoresizingMask_ == UIViewAutoresizingNone) {
        return;
    }
    CGRect f = frame();
    CGFloat x = f.origin.x;
    CGFloat width = f.size.width;
    distribute(newSuperSize.width - oldSuperSize.width, autoresizingMask_, UIViewAutoresizingFlexibleLeftMargin,
               UIViewAutoresizingFlexibleWidth, UIViewAutoresizingFlexibleRightMargin, x, width,
               oldSuperSize.width - f.origin.x - f.size.width);
    CGFloat y = f.origin.y;
    CGFloat height = f.size.height;
    distribute(newSuperSize.height - oldSuperSize.height, autoresizingMask_, UIViewAutoresizingFlexibleTopMargin,
               UIViewAutoresizingFlexibleHeight, UIViewAutoresizingFlexibleBottomMargin, y, height,
               oldSuperSize.height - f.origin.y - f.size.height);
    setFrame(CGRectMake(x, y, width, height));
}

// ---- Look -------------------------------------------------------------------------------------

void UIView::setAlpha(CGFloat newAlpha)
{
    const CGFloat clamped = std::clamp<CGFloat>(newAlpha, 0, 1);
    willChangeAnimatable("opacity");
    layer_->setOpacity(float(clamped));
    displayChanged();
}

void UIView::setHidden(bool hidden)
{
    if (hidden == isHidden()) {
        return;
    }
    layer_->setHidden(hidden);
    displayChanged();
}

void UIView::setBackgroundColor(UIColorRef color)
{
    backgroundColor_ = std::move(color);
    layer_->setBackgroundColor(backgroundColor_ ? backgroundColor_->CGColor() : nullptr);
    displayChanged();
}

void UIView::setClipsToBounds(bool clips)
{
    layer_->setMasksToBounds(clips);
    displayChanged();
}

UIView* UIView::viewWithTag(int wanted)
{
    if (tag_ == wanted) {
        return this;
    }
    for (const auto& view : subviews_) {
        if (UIView* found = view->viewWithTag(wanted)) {
            return found;
        }
    }
    return nullptr;
}

// ---- Hierarchy --------------------------------------------------------------------------------

UIView* UIView::rootView() const
{
    const UIView* view = this;
    while (view->superview_ != nullptr) {
        view = view->superview_;
    }
    return const_cast<UIView*>(view);
}

UIWindow* UIView::window() const
{
    return dynamic_cast<UIWindow*>(rootView());
}

void UIView::addSubview(const UIViewRef& view)
{
    insertSubviewAtIndex(view, subviews_.size());
}

void UIView::insertSubviewAtIndex(const UIViewRef& view, std::size_t index)
{
    if (!view || view.get() == this || isDescendantOfView(view.get())) {
        return;
    }
    attachSubview(view, index);
}

void UIView::attachSubview(const UIViewRef& viewArgument, std::size_t index)
{
    // A copy: the argument may be an element of subviews_, which changes below.
    const UIViewRef view = viewArgument;
    if (view->superview_ == this) {
        // A move within this view: only the order changes.
        auto found = std::find(subviews_.begin(), subviews_.end(), view);
        const auto oldIndex = std::size_t(found - subviews_.begin());
        subviews_.erase(found);
        index = std::min(index > oldIndex ? index - 1 : index, subviews_.size());
        subviews_.insert(subviews_.begin() + std::ptrdiff_t(index), view);
        layer_->insertSublayerAtIndex(view->layer_, index);
        displayChanged();
        return;
    }
    UIWindow* newWindow = window();
    const bool windowChanges = view->window() != newWindow;
    view->willMoveToSuperview(this);
    if (windowChanges) {
        view->notifyWillMoveToWindow(newWindow);
    }
    if (view->superview_ != nullptr) {
        UIView* old = view->superview_;
        old->willRemoveSubview(view.get());
        std::erase(old->subviews_, view);
        view->layer_->removeFromSuperlayer();
    }
    index = std::min(index, subviews_.size());
    subviews_.insert(subviews_.begin() + std::ptrdiff_t(index), view);
    view->superview_ = this;
    layer_->insertSublayerAtIndex(view->layer_, index);
    if (view->needsLayout_ || view->descendantNeedsLayout_) {
        // Views laid out while nobody held them (during construction) wait for this tree's pass.
        view->markDescendantNeedsLayout();
        queueForLayout(this);
    }
    displayChanged();
    view->didMoveToSuperview();
    if (windowChanges) {
        view->notifyDidMoveToWindow();
        if (newWindow == nullptr) {
            stopAnimationsInTree(*view->layer_);
        }
    }
    didAddSubview(view.get());
}

void UIView::insertSubviewAboveSubview(const UIViewRef& view, const UIView* sibling)
{
    const auto found = std::find_if(subviews_.begin(), subviews_.end(), [sibling](const UIViewRef& v) { return v.get() == sibling; });
    insertSubviewAtIndex(view, found == subviews_.end() ? subviews_.size() : std::size_t(found - subviews_.begin()) + 1);
}

void UIView::insertSubviewBelowSubview(const UIViewRef& view, const UIView* sibling)
{
    const auto found = std::find_if(subviews_.begin(), subviews_.end(), [sibling](const UIViewRef& v) { return v.get() == sibling; });
    insertSubviewAtIndex(view, found == subviews_.end() ? 0 : std::size_t(found - subviews_.begin()));
}

void UIView::bringSubviewToFront(const UIView* view)
{
    const auto found = std::find_if(subviews_.begin(), subviews_.end(), [view](const UIViewRef& v) { return v.get() == view; });
    if (found != subviews_.end()) {
        attachSubview(*found, subviews_.size());
    }
}

void UIView::sendSubviewToBack(const UIView* view)
{
    const auto found = std::find_if(subviews_.begin(), subviews_.end(), [view](const UIViewRef& v) { return v.get() == view; });
    if (found != subviews_.end()) {
        attachSubview(*found, 0);
    }
}

void UIView::exchangeSubviewAtIndexWithSubviewAtIndex(std::size_t index1, std::size_t index2)
{
    if (index1 >= subviews_.size() || index2 >= subviews_.size() || index1 == index2) {
        return;
    }
    std::swap(subviews_[index1], subviews_[index2]);
    for (std::size_t i = 0; i < subviews_.size(); ++i) {
        layer_->insertSublayerAtIndex(subviews_[i]->layer_, i);
    }
    displayChanged();
}

void UIView::removeFromSuperview()
{
    UIView* old = superview_;
    if (old == nullptr) {
        return;
    }
    UIViewRef keep = selfRef();
    resignFirstResponderInSubtree();
    const bool hadWindow = window() != nullptr;
    old->willRemoveSubview(this);
    willMoveToSuperview(nullptr);
    if (hadWindow) {
        notifyWillMoveToWindow(nullptr);
    }
    std::erase(old->subviews_, keep);
    superview_ = nullptr;
    layer_->removeFromSuperlayer();
    displayChanged();
    didMoveToSuperview();
    if (hadWindow) {
        notifyDidMoveToWindow();
        stopAnimationsInTree(*layer_);
    }
}

bool UIView::isDescendantOfView(const UIView* view) const
{
    for (const UIView* v = this; v != nullptr; v = v->superview_) {
        if (v == view) {
            return true;
        }
    }
    return false;
}

void UIView::notifyWillMoveToWindow(UIWindow* newWindow)
{
    willMoveToWindow(newWindow);
    const auto subviews = subviews_;
    for (const auto& view : subviews) {
        view->notifyWillMoveToWindow(newWindow);
    }
}

void UIView::notifyDidMoveToWindow()
{
    didMoveToWindow();
    const auto subviews = subviews_;
    for (const auto& view : subviews) {
        view->notifyDidMoveToWindow();
    }
}

void UIView::resignFirstResponderInSubtree()
{
    const auto current = UIResponder::currentFirstResponder();
    const auto* view = dynamic_cast<const UIView*>(current.get());
    if (view != nullptr && view->isDescendantOfView(this)) {
        current->resignFirstResponder();
    }
}

// ---- Layout -----------------------------------------------------------------------------------

void UIView::setNeedsLayout()
{
    if (needsLayout_) {
        return;
    }
    needsLayout_ = true;
    markDescendantNeedsLayout();
    queueForLayout(this);
}

void UIView::markDescendantNeedsLayout()
{
    for (UIView* view = superview_; view != nullptr && !view->descendantNeedsLayout_; view = view->superview_) {
        view->descendantNeedsLayout_ = true;
    }
}

void UIView::layoutIfNeeded()
{
    if (needsLayout_) {
        needsLayout_ = false;
        layoutSubviews();
    }
    if (descendantNeedsLayout_) {
        descendantNeedsLayout_ = false;
        const auto subviews = subviews_;
        for (const auto& view : subviews) {
            if (view->needsLayout_ || view->descendantNeedsLayout_) {
                view->layoutIfNeeded();
            }
        }
    }
}

void UIView::layoutPendingViews()
{
    gLayoutPassToken.reset();
    // A layout may ask for more layout; a few rounds settle any sane tree, and what is left
    // waits for the next pass instead of spinning here.
    for (int round = 0; round < 8 && !pendingLayout().empty(); ++round) {
        auto views = std::move(pendingLayout());
        pendingLayout().clear();
        for (const auto& weak : views) {
            if (auto view = weak.lock()) {
                UIViewRef root = view->rootView()->selfRef();
                root->layoutIfNeeded();
            }
        }
    }
    if (!pendingLayout().empty()) {
        scheduleLayoutPass();
    }
}

// ---- Drawing ----------------------------------------------------------------------------------

void UIView::setNeedsDisplay()
{
    needsDisplay_ = true;
    displayChanged();
}

void UIView::setNeedsDisplayInRect(CGRect rect)
{
    if (needsDisplay_) {
        return;
    }
    const CGRect part = CGRectIntersection(CGRectStandardize(rect), bounds());
    if (CGRectIsNull(part) || CGRectIsEmpty(part)) {
        return;
    }
    dirtyRect_ = CGRectUnion(dirtyRect_, part);
    if (dirtyRect_ == bounds()) {
        needsDisplay_ = true;
        dirtyRect_ = CGRectNull;
    }
    displayChanged();
}

void UIView::drawRect(CGRect)
{
    reachedBaseDrawRect_ = true;
}

CGRect UIView::invalidRect() const
{
    return needsDisplay_ ? bounds() : dirtyRect_;
}

void UIView::setContentMode(UIViewContentMode mode)
{
    if (mode != contentMode_) {
        contentMode_ = mode;
        setNeedsDisplay();
    }
}

void UIView::displayRectInContext(CGContextRef context, CGRect rect)
{
    const CGRect b = bounds();
    const CGRect part = CGRectIntersection(CGRectStandardize(rect), b);
    const bool whole = part == b;
    if (whole) {
        needsDisplay_ = false;
        dirtyRect_ = CGRectNull;
    } else if (!CGRectIsNull(dirtyRect_) && CGRectContainsRect(part, dirtyRect_)) {
        dirtyRect_ = CGRectNull;
    }
    if (context == nullptr || CGRectIsNull(part) || CGRectIsEmpty(part)) {
        return;
    }
    CGContextSaveGState(context);
    if (layer_->contentsAreFlipped()) {
        CGContextTranslateCTM(context, 0, 2 * b.origin.y + b.size.height);
        CGContextScaleCTM(context, 1, -1);
    }
    if (!whole) {
        CGContextClipToRect(context, part);
    }
    UIGraphicsPushContext(context);
    reachedBaseDrawRect_ = false;
    drawRect(whole ? b : part);
    UIGraphicsPopContext();
    CGContextRestoreGState(context);
}

void UIView::displayInContext(CGContextRef context)
{
    displayRectInContext(context, bounds());
    // Drawn somewhere else: the cached picture missed this drawing, so it is made again.
    backingStore_.reset();
}

std::uint64_t UIView::displayGeneration()
{
    return gDisplayGeneration;
}

void UIView::markScreenChanged()
{
    displayChanged();
}

// ---- Hit testing and conversion ---------------------------------------------------------------

UIViewRef UIView::hitTest(CGPoint point, UIEvent* event)
{
    if (isHidden() || !userInteractionEnabled_ || alpha() < kHitTestMinimumAlpha || !pointInside(point, event)) {
        return nullptr;
    }
    const bool upward = layer_->contentsAreFlipped();
    const auto subviews = subviews_;
    for (auto it = subviews.rbegin(); it != subviews.rend(); ++it) {
        const CGPoint local = CGPointApplyAffineTransform(point, CGAffineTransformInvert((*it)->placeInSuperview(upward)));
        if (UIViewRef hit = (*it)->hitTest(local, event)) {
            return hit;
        }
    }
    return selfRef();
}

// A background more opaque than this cannot be read through.
constexpr CGFloat kHidingAlpha = 0.3;

bool UIView::hidesWhatIsBehind() const
{
    if (layer()->contents()) {
        return true;
    }
    return backgroundColor_ && backgroundColor_->CGColor() && backgroundColor_->CGColor()->alpha() >= kHidingAlpha;
}

bool UIView::pointInside(CGPoint point, UIEvent*) const
{
    return CGRectContainsPoint(bounds(), point);
}

CGAffineTransform UIView::transformToSuperview() const
{
    return placeInSuperview(superview_ != nullptr && superview_->layer_->contentsAreFlipped());
}

CGAffineTransform UIView::placeInSuperview(bool superviewRunsUpward) const
{
    const CGRect b = bounds();
    const CGPoint anchor = layer_->anchorPoint();
    CGAffineTransform m = CGAffineTransformIdentity;
    // This view's space is mirrored against its superview's where the two run different ways
    // (the rule is the layer's: see CALayer::isGeometryFlipped). The mirror maps the bounds onto
    // themselves, so it moves no frame.
    if (CALayer::spaceRunsUpward(layer_->isGeometryFlipped(), superviewRunsUpward) != superviewRunsUpward) {
        m = CGAffineTransformMake(1, 0, 0, -1, 0, 2 * b.origin.y + b.size.height);
    }
    m = CGAffineTransformConcat(m, translation(-(b.origin.x + anchor.x * b.size.width), -(b.origin.y + anchor.y * b.size.height)));
    m = CGAffineTransformConcat(m, transform());
    const CGPoint c = center();
    return CGAffineTransformConcat(m, translation(c.x, c.y));
}

CGAffineTransform UIView::transformToScreen() const
{
    // Root first, so each view learns which way its superview runs in one walk.
    std::vector<const UIView*> chain;
    for (const UIView* view = this; view != nullptr; view = view->superview_) {
        chain.push_back(view);
    }
    std::vector<CGAffineTransform> steps(chain.size());
    bool upward = false;
    for (std::size_t i = chain.size(); i-- > 0;) {
        steps[i] = chain[i]->placeInSuperview(upward);
        upward = CALayer::spaceRunsUpward(chain[i]->layer_->isGeometryFlipped(), upward);
    }
    CGAffineTransform m = CGAffineTransformIdentity;
    for (const CGAffineTransform& step : steps) {
        m = CGAffineTransformConcat(m, step);
    }
    return m;
}

namespace {

// The view whose coordinates "null" stands for: the window, or the root of the tree.
const UIView* resolveTarget(const UIView* self, const UIView* view)
{
    if (view != nullptr) {
        return view;
    }
    const UIView* root = self;
    while (root->superview() != nullptr) {
        root = root->superview();
    }
    return root;
}

CGAffineTransform between(const UIView* from, const UIView* to)
{
    return CGAffineTransformConcat(from->transformToScreen(), CGAffineTransformInvert(to->transformToScreen()));
}

} // namespace

CGPoint UIView::convertPointToView(CGPoint point, const UIView* view) const
{
    const UIView* target = resolveTarget(this, view);
    return target == this ? point : CGPointApplyAffineTransform(point, between(this, target));
}

CGPoint UIView::convertPointFromView(CGPoint point, const UIView* view) const
{
    const UIView* source = resolveTarget(this, view);
    return source == this ? point : CGPointApplyAffineTransform(point, between(source, this));
}

CGRect UIView::convertRectToView(CGRect rect, const UIView* view) const
{
    const UIView* target = resolveTarget(this, view);
    if (target == this || CGRectIsNull(rect)) {
        return rect;
    }
    return CGRectApplyAffineTransform(CGRectStandardize(rect), between(this, target));
}

CGRect UIView::convertRectFromView(CGRect rect, const UIView* view) const
{
    const UIView* source = resolveTarget(this, view);
    if (source == this || CGRectIsNull(rect)) {
        return rect;
    }
    return CGRectApplyAffineTransform(CGRectStandardize(rect), between(source, this));
}

// ---- Gesture recognizers and responder --------------------------------------------------------

void UIView::addGestureRecognizer(const UIGestureRecognizerRef& recognizer)
{
    if (!recognizer) {
        return;
    }
    if (UIView* old = recognizer->view(); old != nullptr && old != this) {
        old->removeGestureRecognizer(recognizer.get());
    }
    if (std::find(gestureRecognizers_.begin(), gestureRecognizers_.end(), recognizer) == gestureRecognizers_.end()) {
        gestureRecognizers_.push_back(recognizer);
    }
    recognizer->setView(this);
}

void UIView::removeGestureRecognizer(const UIGestureRecognizer* recognizer)
{
    const auto found = std::find_if(gestureRecognizers_.begin(), gestureRecognizers_.end(),
                                    [recognizer](const UIGestureRecognizerRef& r) { return r.get() == recognizer; });
    if (found == gestureRecognizers_.end()) {
        return;
    }
    UIGestureRecognizerRef keep = *found;
    gestureRecognizers_.erase(found);
    keep->setView(nullptr);
}

UIResponder* UIView::nextResponder() const
{
    if (auto controller = viewController_.lock()) {
        return controller.get();
    }
    return superview_;
}

bool UIView::becomeFirstResponder()
{
    if (window() == nullptr) {
        return false;
    }
    return UIResponder::becomeFirstResponder();
}

// Interface files.
void UIView::registerInterfaceClass(UIClassRegistry& registry)
{
    using T = UIPropertyType;
    registry.registerClass(
        "UIView", "", [] { return std::make_shared<UIView>(); },
        {
            { "frame", uiProperty<UIView, CGRect>(T::Rect, [](UIView& v, const CGRect& r) { v.setFrame(r); }) },
            { "autoresizingMask",
              uiProperty<UIView, long>(T::Integer, [](UIView& v, long m) { v.setAutoresizingMask(static_cast<unsigned>(m)); }) },
            { "autoresizesSubviews", uiProperty<UIView, bool>(T::Bool, [](UIView& v, bool b) { v.setAutoresizesSubviews(b); }) },
            { "hidden", uiProperty<UIView, bool>(T::Bool, [](UIView& v, bool b) { v.setHidden(b); }) },
            { "tag", uiProperty<UIView, long>(T::Integer, [](UIView& v, long t) { v.setTag(static_cast<int>(t)); }) },
            { "alpha", uiProperty<UIView, double>(T::Number, [](UIView& v, double a) { v.setAlpha(a); }) },
            { "opaque", uiProperty<UIView, bool>(T::Bool, [](UIView& v, bool b) { v.setOpaque(b); }) },
            { "clipsToBounds", uiProperty<UIView, bool>(T::Bool, [](UIView& v, bool b) { v.setClipsToBounds(b); }) },
            { "userInteractionEnabled",
              uiProperty<UIView, bool>(T::Bool, [](UIView& v, bool b) { v.setUserInteractionEnabled(b); }) },
            { "backgroundColor",
              uiProperty<UIView, UIColorRef>(T::Color, [](UIView& v, const UIColorRef& c) { v.setBackgroundColor(c); }) },
        });
}
