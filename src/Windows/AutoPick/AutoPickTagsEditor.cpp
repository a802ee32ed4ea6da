#include "Windows/AutoPick/AutoPickTagsEditor.h"

#include <any>

#include "Windows/AutoPick/AutoPickNotifications.h"
#include "autopick/AutoPickForest.h"
#include "autopick/AutoPickNode.h"
#include "core/notify/VLNotificationCenter.h"
#include "pins/PinManager.h"
#include "platform/foundation/Log.h"
#include "platform/ui/view/SystemColors.h"
#include "platform/ui/view/TrackingArea.h"
#include "platform/ui/window/Application.h"
#include "theme/VLThemeCategories.h"
#include "ui/Line.h"
#include "ui/panels/PanelTypes.h"
#include "ui/panels/SlideCenter.h"

namespace vl {

namespace {

constexpr double kAddWidth = 35;
constexpr double kDelSize = 20;

std::shared_ptr<AutoPickTagView> tagOf(ui::ActionTarget* sender) {
  auto* tag = dynamic_cast<AutoPickTagView*>(sender);
  return tag ? std::static_pointer_cast<AutoPickTagView>(tag->self()) : nullptr;
}

ui::Color colorOf(const AutoPickNode& node) {
  const auto& c = node.color();
  return ui::Color::rgb24((std::uint32_t(c.red) << 16) | (std::uint32_t(c.green) << 8) | c.blue);
}

}  // namespace

std::shared_ptr<AutoPickTagView> AutoPickTagView::ofNode(std::shared_ptr<AutoPickNode> node) {
  auto tag = std::make_shared<AutoPickTagView>(ui::Rect{0, 0, 10, kHeight});
  tag->setFont(ui::Font::systemFont(13));
  tag->setTextColor(ui::Color::whiteColor());
  tag->setCornerRadius(6);
  if (node) {
    tag->setRoundBackgroundColor(colorOf(*node));
    // White on a light rule colour (yellow, green) would not read.
    tag->setTextColor(ui::SystemColors::textOn(colorOf(*node)));
    tag->setText(node->name());
  }
  tag->node_ = std::move(node);
  return tag;
}

const std::shared_ptr<Button3>& AutoPickTagView::delButton() {
  if (!delButton_) {
    delButton_ = Button3::create({0, 0, kDelSize, kDelSize});
    delButton_->setTitle("x");
    // The cross stands on the tag's own colour: white, or dark ink on a light colour.
    const bool light = node_ && ui::SystemColors::textOn(colorOf(*node_)) != ui::Color::whiteColor();
    delButton_->setTextColorAssetKey(std::string(light ? "black" : "white"));
    delButton_->setFont(ui::Font::systemFont(16, ui::Font::WeightLight));
    delButton_->setHidden(true);
    setActionHandler("del:", [this](ui::ActionTarget*) { del(); });
    delButton_->setTarget(shared_from_this());
    delButton_->setAction("del:");
    addSubview(delButton_);
  }
  return delButton_;
}

void AutoPickTagView::setTarget(const std::shared_ptr<ui::ActionTarget>& target, std::string action) {
  target_ = target;
  action_ = std::move(action);
}

void AutoPickTagView::setDelTarget(const std::shared_ptr<ui::ActionTarget>& target, std::string action) {
  delTarget_ = target;
  delAction_ = std::move(action);
}

void AutoPickTagView::mouseDown(const ui::Event&) {
  if (auto target = target_.lock()) ui::Application::shared().sendAction(action_, target, this);
}

void AutoPickTagView::del() {
  if (auto target = delTarget_.lock()) ui::Application::shared().sendAction(delAction_, target, this);
}

void AutoPickTagView::mouseEntered(const ui::Event&) {
  const auto& button = delButton();
  button->setHidden(false);
  button->setWantsLayer(true);
  if (node_) button->layer()->setBackgroundColor(colorOf(*node_));
  button->setFrameOrigin({frame().width() - kDelSize, button->frame().origin.y});
}

void AutoPickTagView::mouseExited(const ui::Event&) { delButton()->setHidden(true); }

void AutoPickTagView::updateTrackingAreas() {
  // One area that follows the visible rect serves whatever size the chip takes.
  if (!trackingAreas().empty()) return;
  auto owner = std::static_pointer_cast<ui::Responder>(self());
  if (!owner) return;
  addTrackingArea(ui::TrackingArea::create(bounds(),
                                           ui::TrackingArea::MouseEnteredAndExited |
                                               ui::TrackingArea::ActiveAlways |
                                               ui::TrackingArea::InVisibleRect,
                                           owner));
}

AutoPickTagsEditor::AutoPickTagsEditor(const ui::Rect& frame) : ui::View(frame) {}

AutoPickTagsEditor::~AutoPickTagsEditor() { VLNotificationCenter::removeObserver(this); }

std::shared_ptr<AutoPickTagsEditor> AutoPickTagsEditor::create(const ui::Rect& frame) {
  auto editor = std::make_shared<AutoPickTagsEditor>(frame);
  editor->build();
  return editor;
}

void AutoPickTagsEditor::build() {
  setWantsLayer(true);
  setBackgroundColorAssetKey(*layer(), std::string("modalTableItemBackgroundColor"));
  const int width = int(frame().width());
  addSubview(Line::ofWidth(width, ui::Point{0, 0}));
  addSubview(Line::ofWidth(width, ui::Point{0, frame().height() - 1}));
  setActionHandler("add:", [this](ui::ActionTarget*) { add(); });
  setActionHandler("click:", [this](ui::ActionTarget* sender) { click(tagOf(sender)); });
  setActionHandler("removeTagView:", [this](ui::ActionTarget* sender) { removeTagView(tagOf(sender)); });
  // The button hands its target on when it joins a view, so both are set first.
  addButton()->setTarget(shared_from_this());
  addButton()->setAction("add:");
  addSubview(addButton());

  // The picker names the editor that opened it; a post naming no editor (or this one) is for whoever
  // shows the node, as only one form is ever open.
  VLNotificationCenter::addObserver(
      this,
      [this](const Notification& n) {
        if (n.object && n.object != this) return;
        std::shared_ptr<AutoPickNode> node;
        auto it = n.objects.find("node");
        if (it != n.objects.end()) {
          if (auto* p = std::any_cast<std::shared_ptr<AutoPickNode>>(&it->second)) node = *p;
        }
        shouldAddNode(node);
      },
      kNotificationAutoPickEditorShouldAddNode);
  VLNotificationCenter::addObserver(
      this,
      [this](const Notification& n) {
        if (!n.object || n.object == this) saveEditor();
      },
      kNotificationAutoPickEditorShouldSave);
}

const std::shared_ptr<Button3>& AutoPickTagsEditor::addButton() {
  if (!addButton_) {
    addButton_ = Button3::create({kRowStart, frame().height() - 30, kAddWidth, AutoPickTagView::kHeight});
    addButton_->setTitle("+");
    addButton_->setFont(ui::Font::systemFont(16, ui::Font::WeightLight));
    addButton_->setBorderWidth(1);
    addButton_->setBorderColorAssetKey(std::string("lineColor"));
    addButton_->setRadius(6);
    addButton_->setTextColorAssetKey(std::string("fontNormalColor"));
  }
  return addButton_;
}

ui::View* AutoPickTagsEditor::slideHost() const {
  auto host = slideHost_.lock();
  return host ? host.get() : superview();
}

void AutoPickTagsEditor::placeAddButtonHome() {
  addButton()->setFrameOrigin({kRowStart, frame().height() - 30});
}

void AutoPickTagsEditor::clear() {
  for (const auto& tag : tags_) tag->removeFromSuperview();
  tags_.clear();
  placeAddButtonHome();
}

void AutoPickTagsEditor::loadTags() {
  clear();
  if (pinTabId_.empty()) return;
  auto tab = PinManager::shared().getTabOfId(pinTabId_);
  auto forest = tab ? tab->autoPickForest() : nullptr;
  if (!forest) return;
  // The capture queue reads the tab's forest without waiting for us, so the tags edit a copy; the copy
  // stays here because the nodes know their parents only weakly.
  loaded_ = forest->copy();
  for (const auto& node : loaded_->activeNodes()) addNode(node);
}

const std::shared_ptr<AutoPickTagView>& AutoPickTagsEditor::setTagPosition(
    const std::shared_ptr<AutoPickTagView>& tag) {
  const double W = frame().width();
  const ui::Rect a = addButton()->frame();
  const ui::Rect t = tag->frame();
  if (a.origin.x + t.width() > W) {
    tag->setFrameOrigin({kRowStart, a.origin.y - kRowGap - t.height()});
  } else {
    tag->setFrameOrigin(a.origin);
  }
  const ui::Point placed = tag->frame().origin;
  const double x2 = placed.x + t.width() + kGap;
  if (x2 + a.width() > W) {
    addButton()->setFrameOrigin({kRowStart, placed.y - kRowGap - a.height()});
  } else {
    addButton()->setFrameOrigin({x2, placed.y});
  }
  return tag;
}

std::shared_ptr<AutoPickTagView> AutoPickTagsEditor::findTagViewByNode(const AutoPickNode& node) const {
  for (const auto& tag : tags_) {
    if (tag->node() && tag->node()->identifier() == node.identifier()) return tag;
  }
  return nullptr;
}

void AutoPickTagsEditor::addNode(const std::shared_ptr<AutoPickNode>& node) {
  if (!node || findTagViewByNode(*node)) return;
  auto tag = AutoPickTagView::ofNode(node);
  setTagPosition(tag);
  auto me = shared_from_this();
  tag->setTarget(me, "click:");
  tag->setDelTarget(me, "removeTagView:");
  tags_.push_back(tag);
  addSubview(tag);
}

std::vector<std::shared_ptr<AutoPickNode>> AutoPickTagsEditor::getNodesFromTags() const {
  std::vector<std::shared_ptr<AutoPickNode>> nodes;
  for (const auto& tag : tags_) nodes.push_back(tag->node());
  return nodes;
}

std::shared_ptr<AutoPickForest> AutoPickTagsEditor::getForest() const {
  return AutoPickForest::ofNodes(getNodesFromTags());
}

void AutoPickTagsEditor::writeThrough() {
  if (pinTabId_.empty()) return;
  auto tab = PinManager::shared().getTabOfId(pinTabId_);
  if (!tab) {
    logWarningf("AutoPickTagsEditor: no pin tab %s, rules not stored", pinTabId_.c_str());
    return;
  }
  tab->setAutoPickForest(getForest());
}

void AutoPickTagsEditor::add() {
  PanelParams params{pinTabId_, std::static_pointer_cast<AutoPickTagsEditor>(self())};
  SlideCenter::shared().showSlideByKey(kSlideAutoPick, slideHost(), params);
}

void AutoPickTagsEditor::click(const std::shared_ptr<AutoPickTagView>& tag) {
  if (!tag) return;
  PanelParams params{tag->node(), true};
  SlideCenter::shared().showSlideByKey(kSlideAutoPickDetail, slideHost(), params);
}

void AutoPickTagsEditor::removeTagView(const std::shared_ptr<AutoPickTagView>& tag) {
  auto delegate = delegate_.lock();
  if (!tag || !delegate) return;
  delegate->autoPickTagsEditorShouldDelTagView(*this, tag);
}

void AutoPickTagsEditor::delTagView(const std::shared_ptr<AutoPickTagView>& tag) {
  if (!tag) return;
  std::vector<std::shared_ptr<AutoPickTagView>> doomed{tag};
  if (tag->node()) {
    for (auto up = tag->node()->parent(); up; up = up->parent()) {
      if (auto found = findTagViewByNode(*up)) doomed.push_back(found);
    }
  }
  for (const auto& t : doomed) _delTagView(t);
  writeThrough();
}

void AutoPickTagsEditor::_delTagView(const std::shared_ptr<AutoPickTagView>& tag) {
  if (tag->superview() == this) {
    tag->removeFromSuperview();
    std::erase(tags_, tag);
  }
  placeAddButtonHome();
  for (const auto& t : tags_) setTagPosition(t);
}

void AutoPickTagsEditor::shouldAddNode(const std::shared_ptr<AutoPickNode>& node) {
  for (auto n = node; n; n = n->parent()) addNode(n);
  writeThrough();
}

void AutoPickTagsEditor::saveEditor() { writeThrough(); }

}  // namespace vl
