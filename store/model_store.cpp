#include "store/model_store.h"

#include <memory>

namespace pylora {

std::unique_ptr<ModelStore> makeModelStore() {
    return std::make_unique<ModelStore>();
}

void clearModelStore(ModelStore& store) {
    // Destroy and value-initialise in place: the open files close, every table
    // returns to zero and every text to blanks, and no temporary of the
    // store's size is built on the stack.
    std::destroy_at(&store);
    std::construct_at(&store);
}

void noteWarning(const ModelStore& store, std::string_view text) {
    if (store.resultsCollector) store.resultsCollector->warningIssued(store, text);
}

ModelStore& processModelStore() {
    static const std::unique_ptr<ModelStore> store = makeModelStore();
    return *store;
}

}  // namespace pylora
