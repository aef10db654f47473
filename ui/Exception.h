// Errors of the windowing framework. Handlers let them escape; the message loop shows them with
// the application's standard error display and carries on.
#pragma once

#include <exception>
#include <string>

namespace ui {

class Exception : public std::exception {
 public:
  explicit Exception(std::u16string message) : message_(std::move(message)) {}
  const std::u16string& Message() const { return message_; }
  const char* what() const noexcept override { return "ui::Exception"; }

 private:
  std::u16string message_;
};

// A text that is not a number of the expected kind.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// A folder or file that cannot be listed or opened.
class EInOutError : public Exception {
 public:
  using Exception::Exception;
};

// A picture or icon file whose content cannot be used.
class EInvalidGraphic : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace ui
