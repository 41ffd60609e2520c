#include "wizard/show.h"

#include <memory>

#include "wizard/fm_main.h"

namespace tsy {

namespace {
std::unique_ptr<FmMain> theForm;
FormObserver* theObserver = nullptr;
}  // namespace

void showWizard() {
    // One form per process: a second call shows the same form again.
    if (!theForm) {
        theForm = std::make_unique<FmMain>();
        theForm->setObserver(theObserver);
    }
    theForm->Show();
}

void setWizardObserver(FormObserver* observer) {
    theObserver = observer;
    if (theForm) theForm->setObserver(observer);
}

FmMain* wizardForm() { return theForm.get(); }

void resetWizard() {
    theForm.reset();
    theObserver = nullptr;
}

}  // namespace tsy
