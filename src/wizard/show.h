// How start-up opens the wizard. The form model is created and shown (its load handler runs);
// the Win32 view, when app/ has installed one, renders it.
#pragma once

namespace tsy {

class FmMain;
class FormObserver;

// Creates the one process-wide fmMain and shows it: Form_Load runs and the first panel is
// set up. From then on everything happens in the form's handlers; closing the form ends the
// process through os().endProcess with the wizard's exit code.
void showWizard();

// The view that renders the form. Set it before showWizard(): the observer is attached before
// the load handler runs and is told onLoad first. nullptr runs the wizard without a view.
void setWizardObserver(FormObserver* observer);

// The form of this process, or nullptr before showWizard().
FmMain* wizardForm();

// Drops the form (tests only: a real process ends with its form).
void resetWizard();

}  // namespace tsy
