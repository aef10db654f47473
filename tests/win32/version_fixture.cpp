// Fixture for the conformance test: a program whose only interesting part is its version
// resource (zkt_version_fixture.rc), or none at all (zkt_noversion_fixture.exe).
int main() { return 0; }
