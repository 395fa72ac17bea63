// The table of net-list forms, in their order of recognition: the forms with
// a signature are checked first, in this order; a file without any of their
// signatures is tried as ACCEL ASCII, ORCAD and PCAD 4.5 in turn. The first
// three rows keep their places: their ids are FormACCEL, FormORCAD, FormPCAD45.
// Adding a form is its file in forms/ and one row here.
#include "decoders.h"

namespace tarvik {

extern const NetListForm kAccelForm;
extern const NetListForm kOrcadForm;
extern const NetListForm kPcad45Form;
extern const NetListForm kKicadForm;
extern const NetListForm kOrcadPcb2Form;
extern const NetListForm kEdifForm;
extern const NetListForm kPdifForm;
extern const NetListForm kPadsForm;
extern const NetListForm kProtelForm;
extern const NetListForm kProtel2Form;
extern const NetListForm kTelesisForm;
extern const NetListForm kMentorForm;
extern const NetListForm kCalayForm;
extern const NetListForm kIntergraphForm;
extern const NetListForm kCadnetixForm;
extern const NetListForm kWireListForm;
extern const NetListForm kRinfForm;
extern const NetListForm kEEsofForm;
extern const NetListForm kMultiWireForm;

extern const NetListForm* const kForms[] = {
    &kAccelForm,
    &kOrcadForm,
    &kPcad45Form,
    &kKicadForm,
    &kOrcadPcb2Form,
    &kEdifForm,
    &kPdifForm,
    &kPadsForm,
    &kProtelForm,
    &kProtel2Form,
    &kTelesisForm,
    &kMentorForm,
    &kCalayForm,
    &kIntergraphForm,
    &kCadnetixForm,
    &kWireListForm,
    &kRinfForm,
    &kEEsofForm,
    &kMultiWireForm,
};
extern const int kFormCount = static_cast<int>(sizeof kForms / sizeof kForms[0]);

}  // namespace tarvik
