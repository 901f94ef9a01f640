// A hash for the canvas's text caches. Qt's own hash of a QString is seeded
// per process and costs some hundred cycles even for a label of three
// characters; a redraw looks up every label of the scale twice (the record
// and the painter), so the caches use the standard library's byte hash.
#pragma once

#include <QString>
#include <functional>
#include <string_view>

struct TextHash {
  std::size_t operator()(const QString& text) const noexcept {
    return std::hash<std::u16string_view>{}(
        std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())));
  }
};
