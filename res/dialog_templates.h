#pragma once

#include <span>

#include "ui/dialog_template.h"

namespace zandrel {

// Every dialog of the program, in id order.
std::span<const DialogTemplate> DialogTemplates();

// The template with this id; there is one for every kIdd* id.
const DialogTemplate& DialogTemplateOf(int id);

}  // namespace zandrel
