// Until the game lands: placeholder entry (replaced by the frame-loop demo).
int main() { return 0; }
