// tvhost.cpp: placeholder until tvhost lands.
int main() { return 0; }
