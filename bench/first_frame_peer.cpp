// The least a full-screen OpenGL program can do before its first frame: open the
// window, clear it to white, present. The start-up benchmark's yardstick.

#include <GLFW/glfw3.h>

int main()
{
    if (!glfwInit())
        return 1;
    GLFWmonitor *monitor = glfwGetPrimaryMonitor();
    GLFWwindow *window = glfwCreateWindow(640, 480, "peer", monitor, nullptr);
    if (!window)
        return 1;
    glfwMakeContextCurrent(window);
    while (!glfwWindowShouldClose(window) && glfwGetTime() < 3.0) {
        glClearColor(1, 1, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glfwSwapBuffers(window);
        glfwPollEvents();
    }
    glfwTerminate();
    return 0;
}
