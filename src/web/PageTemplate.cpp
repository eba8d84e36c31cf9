#include "web/PageTemplate.h"

namespace tb {

void PageTemplate::Compile(const String& dataDir, const String& skinName) {
    Use(TemplateProgram::ForSkin(dataDir, skinName));
}

void PageTemplate::Use(std::shared_ptr<const TemplateProgram> program) {
    std::lock_guard lock(mutex_);
    program_ = std::move(program);
}

String PageTemplate::SkinDir() const {
    std::lock_guard lock(mutex_);
    return program_->SkinDir();
}

std::shared_ptr<const TemplateProgram> PageTemplate::Program() const {
    std::lock_guard lock(mutex_);
    return program_;
}

PageTemplate::Snapshot PageTemplate::Take() const {
    std::lock_guard lock(mutex_);
    return {program_, values_};
}

void PageTemplate::Keep(const TemplateValues& values) {
    std::lock_guard lock(mutex_);
    values_ = values;
}

} // namespace tb
