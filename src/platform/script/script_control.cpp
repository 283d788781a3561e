#include "platform/script/script_control.h"

#include <new>
#include <stdexcept>

#include "platform/script/engine.h"
#include "platform/script/script_errors.h"
#include "platform/vb/error.h"

namespace fw {

static_assert(ScriptControl::kMaxTextLength == script::limit::kTextLength);

namespace {

void checkLength(std::string_view text) {
  if (text.size() > ScriptControl::kMaxTextLength) {
    script::failWith(script::code::OutOfMemory, "Script text too long (more than " +
                                                    std::to_string(ScriptControl::kMaxTextLength) +
                                                    " characters)");
  }
}

// Runs one call; a failure is kept in `error` and raised again as vb::Error.
template <typename F>
auto guarded(ScriptError& error, F&& f) -> decltype(f()) {
  try {
    return f();
  } catch (const vb::Error& e) {
    error.Number = e.number();
    error.Description = e.description();
    throw;
  } catch (const std::bad_alloc&) {
    error.Number = script::code::OutOfMemory;
    error.Description = script::describe(script::code::OutOfMemory);
    throw vb::Error(error.Number, error.Description);
  } catch (const std::length_error&) {
    error.Number = script::code::OutOfMemory;
    error.Description = script::describe(script::code::OutOfMemory);
    throw vb::Error(error.Number, error.Description);
  }
}

}  // namespace

ScriptControl::ScriptControl() : engine_(std::make_unique<script::Engine>()) {}
ScriptControl::~ScriptControl() = default;
ScriptControl::ScriptControl(ScriptControl&&) noexcept = default;
ScriptControl& ScriptControl::operator=(ScriptControl&&) noexcept = default;

script::Engine& ScriptControl::engine() {
  if (!engine_) engine_ = std::make_unique<script::Engine>();  // after a move
  return *engine_;
}

std::size_t ScriptControl::parseCount() const { return engine_ ? engine_->parseCount() : 0; }

void ScriptControl::Reset() {
  Error.Clear();
  engine().reset();
}

void ScriptControl::AddCode(std::string_view code) {
  guarded(Error, [&] {
    checkLength(code);
    engine().run(code);
  });
}

void ScriptControl::ExecuteStatement(std::string_view statement) { AddCode(statement); }

vb::Variant ScriptControl::Eval(std::string_view expression) {
  return guarded(Error, [&] {
    checkLength(expression);
    return engine().eval(expression);
  });
}

}  // namespace fw
