// Builders for the controls of a form whose caption never changes: the
// caption stands with the declaration, as in the form's design, instead of
// in a list of assignments in the constructor. Each adds in the order it is
// called, the order hosts draw and tab in.
#pragma once

#include <string>
#include <utility>

#include "pds/Controls.h"
#include "pds/Dialog.h"

namespace pds {

// A button, frame or label with its fixed caption.
template <class T>
T& AddCaptioned(Dialog& form, std::string name, std::string caption) {
  T& control = form.Add<T>(std::move(name));
  control.SetCaption(std::move(caption));
  return control;
}

// A field with the label that names it; the label goes first, before its field.
template <class Field>
Field& AddLabeled(Dialog& form, std::string label, std::string caption, std::string field) {
  AddCaptioned<Label>(form, std::move(label), std::move(caption));
  return form.Add<Field>(std::move(field));
}

}  // namespace pds
