// No release key: linked before the updater library, so that its built-in key is not.
extern const char kMorvaneReleaseKeyHex[];
const char kMorvaneReleaseKeyHex[] = "";
