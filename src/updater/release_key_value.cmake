# Writes the public key of PUB (hex) into OUT as the programs' built-in release key.
file(READ ${PUB} hex)
string(STRIP "${hex}" hex)
file(WRITE ${OUT} "extern const char kMorvaneReleaseKeyHex[];\nconst char kMorvaneReleaseKeyHex[] = \"${hex}\";\n")
