// What the editor needs of the plug-in it shows, besides levels: the values
// it holds and a way to hand it the user's. Each plug-in format implements
// it (the VST 2.4 editor reads and automates the effect's parameters; the
// LV2 UI reads what the host sent and writes its ports).
#pragma once

#include <cstdint>

namespace sorrel {

class ParameterLink {
  public:
    // The plug-in's value of parameter 0..35, normalised.
    virtual float parameterValue(int32_t index) = 0;
    // The user set parameter index to value. Called between the frame
    // owner's beginEdit and endEdit, at most once per distinct value.
    virtual void userValue(int32_t index, float value) = 0;

  protected:
    ~ParameterLink() = default;
};

} // namespace sorrel
