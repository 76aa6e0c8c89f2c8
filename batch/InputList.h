// The run's input files: a 512-bucket hash map whose iteration order decides
// the order of conversion (and so the %n% counter values in output names).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

struct InputElement {
  std::int32_t Present = 0;    // 1 once the file has been added
  std::string RelativeFolder;  // subfolder below the input folder, ending with "/", or ""
};

class InputListMap {
 public:
  static constexpr int BucketCount = 512;

  // Bucket of a key: h = h * 65599 + c over the key's UTF-16 code units, mod 512.
  static std::uint32_t BucketOf(const std::string& key);

  // The element of key, created (at the front of its chain) when missing.
  InputElement& Element(const std::string& key);
  // The element of key, or nullptr.
  InputElement* Find(const std::string& key);
  bool Remove(const std::string& key);
  void Clear();
  std::size_t Size() const { return size_; }

  // Iteration: buckets 0..511, newest first within a bucket.
  void Reset();
  // Advances to the next element; false at the end.
  bool Next(std::string& key, InputElement& element);

 private:
  struct Node {
    std::string key;
    InputElement element;
    std::unique_ptr<Node> next;
  };
  std::unique_ptr<Node> buckets_[BucketCount];
  std::size_t size_ = 0;
  int iterBucket_ = 0;
  Node* iterNode_ = nullptr;
  bool iterStarted_ = false;
};

extern InputListMap InputList;
