#include "batch/InputList.h"

#include "platform/Text.h"

InputListMap InputList;

std::uint32_t InputListMap::BucketOf(const std::string& key) {
  std::uint32_t h = 0;
  for (char16_t c : Utf16Units(key)) h = h * 65599u + c;
  return h % BucketCount;
}

InputElement& InputListMap::Element(const std::string& key) {
  if (InputElement* found = Find(key)) return *found;
  std::unique_ptr<Node>& head = buckets_[BucketOf(key)];
  auto node = std::make_unique<Node>();
  node->key = key;
  node->next = std::move(head);
  head = std::move(node);
  ++size_;
  return head->element;
}

InputElement* InputListMap::Find(const std::string& key) {
  for (Node* n = buckets_[BucketOf(key)].get(); n; n = n->next.get())
    if (n->key == key) return &n->element;
  return nullptr;
}

bool InputListMap::Remove(const std::string& key) {
  std::unique_ptr<Node>* link = &buckets_[BucketOf(key)];
  while (*link) {
    if ((*link)->key == key) {
      *link = std::move((*link)->next);
      --size_;
      return true;
    }
    link = &(*link)->next;
  }
  return false;
}

void InputListMap::Clear() {
  for (auto& head : buckets_) {
    // Unlink iteratively so that long chains cannot exhaust the stack.
    while (head) head = std::move(head->next);
  }
  size_ = 0;
  Reset();
}

void InputListMap::Reset() {
  iterBucket_ = 0;
  iterNode_ = nullptr;
  iterStarted_ = false;
}

bool InputListMap::Next(std::string& key, InputElement& element) {
  if (iterStarted_ && iterNode_) iterNode_ = iterNode_->next.get();
  if (!iterStarted_) {
    iterStarted_ = true;
    iterBucket_ = 0;
    iterNode_ = buckets_[0].get();
  }
  while (!iterNode_ && iterBucket_ < BucketCount - 1) iterNode_ = buckets_[++iterBucket_].get();
  if (!iterNode_) return false;
  key = iterNode_->key;
  element = iterNode_->element;
  return true;
}
