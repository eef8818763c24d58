#include "model/Document.h"

namespace tarvel {

void Document::AddView(DocView* view) {
  if (view == nullptr || viewCount_ == kMaxViews) return;
  for (int i = 0; i < viewCount_; ++i)
    if (views_[i] == view) return;
  views_[viewCount_++] = view;
}

void Document::RemoveView(DocView* view) {
  for (int i = 0; i < viewCount_; ++i) {
    if (views_[i] != view) continue;
    for (int j = i + 1; j < viewCount_; ++j) views_[j - 1] = views_[j];
    views_[--viewCount_] = nullptr;
    return;
  }
}

void Document::UpdateAllViews(DocView* sender, long hint) {
  for (int i = 0; i < viewCount_; ++i)
    if (views_[i] != sender) views_[i]->OnUpdate(sender, hint);
}

bool Document::OnNewDocument() {
  path_.clear();
  modified_ = false;
  return true;
}

}  // namespace tarvel
