// What the preferences dialog lets each number setting be, by its
// configuration key: drop-downs give 0 to their length less one, sliders and
// number fields their own limits. The configuration reader holds values from
// config.ini to these, so a hand-edited file cannot hand a library what the
// dialog would never produce.
#pragma once

#include <string>
#include <vector>

struct SettingRange {
  const char* group;
  const char* key;
  double minimum;
  double maximum;
};

// Every ranged key; keys missing here take any value of their type.
const std::vector<SettingRange>& SettingRanges();

// The range of key in group (exact spelling), or nullptr.
const SettingRange* FindSettingRange(const std::string& group, const std::string& key);
