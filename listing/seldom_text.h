#pragma once
// A text most objects leave empty, kept behind a pointer so that the empty
// case costs one word instead of a whole std::string.

#include <memory>
#include <string>
#include <string_view>

namespace korval::listing {

class SeldomText {
 public:
  SeldomText() = default;
  SeldomText(const SeldomText& other) : text_(other.text_ ? std::make_unique<std::string>(*other.text_) : nullptr) {}
  SeldomText(SeldomText&&) noexcept = default;
  SeldomText& operator=(const SeldomText& other) {
    if (this != &other) text_ = other.text_ ? std::make_unique<std::string>(*other.text_) : nullptr;
    return *this;
  }
  SeldomText& operator=(SeldomText&&) noexcept = default;
  SeldomText& operator=(std::string_view text) {
    assign(text);
    return *this;
  }

  void assign(std::string_view text) {
    if (text.empty())
      text_.reset();
    else if (text_)
      text_->assign(text);
    else
      text_ = std::make_unique<std::string>(text);
  }
  bool empty() const { return !text_ || text_->empty(); }
  std::string_view view() const { return text_ ? std::string_view(*text_) : std::string_view(); }

 private:
  std::unique_ptr<std::string> text_;
};

}  // namespace korval::listing
