// How start-up opens the wizard. The form model is created and shown (its load handler runs);
// the Win32 view, when app/ has installed one, renders it.
#pragma once

namespace tsy {

void showWizard();

}  // namespace tsy
