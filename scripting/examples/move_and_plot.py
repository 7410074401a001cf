# Moves the motor a quarter turn at a time, notes where it stopped after each move, turns it
# back to where it started and plots the positions in a window of its own.
# Open it in the Scripting tab of Talvex Studio with a board connected and press Run.
from PythonQt.Talvex import *
from PythonQt.Qt import *

motor = Motor()
motor.turnOn()
start = motor.getPosition(Motor.Degrees)

moves = []
positions = []
for move in range(1, 5):
    motor.moveRelative(90, Motor.Degrees)
    motor.waitToFinish()
    moves.append(move)
    positions.append(motor.getPosition(Motor.Degrees) - start)
    print("Move %d: %.1f degrees, %s" % (move, positions[-1], motor.getState()))

motor.moveAbsolute(start, Motor.Degrees)
motor.waitToFinish()
motor.turnOff()

graph = Graph("Motor position")
graph.setXLabel("Move")
graph.setYLabel("Position [degrees]")
trace = Trace(graph, "Position")
trace.setColor(QColor(Qt.darkBlue))
trace.setData(moves, positions)
print("Done:", motor.getState())
