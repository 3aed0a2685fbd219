"""The three labyrinth pictures and the walker check.

A maze is drawn at screen (10, 85); the walker starts with its top-left at screen
(10, 100), that is (0, 15) in maze coordinates, creeps right to (50, 15) and wins
once it is beyond (260, 60). Corridors are the places the walker's picture may
occupy: they are laid out as paths of walker positions, each widened by a margin,
and everything else is wall. The walker's picture has a clear outer ring, so its
start column may sit on the maze's left edge while the wall in column 0 still
keeps it from leaving the maze.
"""

from collections import deque

import numpy as np
from PIL import Image

import common as c

W, H = 300, 92
START = (0, 15)
START_RUN_END = 50
GOAL_X, GOAL_Y = 260, 60  # the walker wins when x > GOAL_X and y > GOAL_Y
MARGIN = 5
EXIT_ROOM = (237, 56, 297, 86)  # free pixels x0, y0, x1, y1 (exclusive ends)

# The grid mazes: cells of walker positions, joined by corridors.
GRID_X = [2 + 30 * k for k in range(10)]
GRID_Y = [15, 40, 66]

# The diagonal maze: paths of walker positions; the first is the way through.
SLALOM = [
    [(0, 15), (50, 15), (85, 50), (105, 50), (135, 20), (155, 20), (195, 60), (208, 60), (223, 45), (240, 45), (257, 62), (265, 62)],
    [(105, 50), (118, 66), (140, 66)],
    [(155, 20), (205, 20)],
    [(240, 45), (280, 45)],
]

LAYOUTS = {
    "labyrinth1.png": {"seed": 11, "budget": 687,
                       "route": [(0, 0), (1, 0), (2, 0), (2, 1), (2, 2), (3, 2), (4, 2), (4, 1), (4, 0), (5, 0), (6, 0),
                                 (6, 1), (6, 2), (7, 2), (7, 1), (7, 0), (8, 0), (9, 0), (9, 1), (9, 2)],
                       "colours": ((70, 190, 90, 255), (150, 235, 120, 255), (30, 110, 50, 255))},
    "labyrinth2.png": {"paths": SLALOM, "budget": 330,
                       "colours": ((255, 140, 50, 255), (255, 205, 140, 255), (180, 70, 10, 255))},
    "labyrinth3.png": {"seed": 23, "budget": 550,
                       "route": [(0, 0), (1, 0), (2, 0), (3, 0), (3, 1), (3, 2), (4, 2), (5, 2), (5, 1), (6, 1), (7, 1),
                                 (7, 0), (8, 0), (8, 1), (8, 2), (9, 2)],
                       "colours": ((120, 90, 230, 255), (200, 180, 255, 255), (60, 40, 150, 255))},
}


def _grid_paths(route, seed):
    """A maze on the 10 x 3 grid: the way through follows route (which starts with
    the first three cells of the top row, where the walker creeps before the player
    takes over); every other cell hangs off it as a dead end, joined by a seeded
    random spanning tree, so the way through stays the only one."""
    import random

    rng = random.Random(seed)
    cols, rows = len(GRID_X), len(GRID_Y)
    joined = set(route)
    edges = list(zip(route, route[1:]))
    frontier = []

    def add_frontier(cell):
        x, y = cell
        for nx, ny in ((x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)):
            if 0 <= nx < cols and 0 <= ny < rows and (nx, ny) not in joined:
                frontier.append((cell, (nx, ny)))

    for cell in sorted(joined):
        add_frontier(cell)
    while frontier:
        a, b = frontier.pop(rng.randrange(len(frontier)))
        if b in joined:
            continue
        joined.add(b)
        edges.append((a, b))
        add_frontier(b)
    paths = []
    for (ax, ay), (bx, by) in edges:
        paths.append([(GRID_X[ax], GRID_Y[ay]), (GRID_X[bx], GRID_Y[by])])
    paths.append([START, (GRID_X[0], GRID_Y[0])])
    return paths


def layout_paths(name, seed=None):
    layout = LAYOUTS[name]
    if "paths" in layout:
        return layout["paths"]
    return _grid_paths(layout["route"], layout["seed"] if seed is None else seed)


def _walk(points):
    """Every integer position along a path made of straight or diagonal legs."""
    out = [points[0]]
    for (x0, y0), (x1, y1) in zip(points, points[1:]):
        n = max(abs(x1 - x0), abs(y1 - y0))
        for i in range(1, n + 1):
            out.append((round(x0 + (x1 - x0) * i / n), round(y0 + (y1 - y0) * i / n)))
    return out


def free_mask(paths, walker_size):
    free = np.zeros((H, W), dtype=bool)
    ww, wh = walker_size
    for path in paths:
        for x, y in _walk(path):
            free[max(0, y - MARGIN) : y + wh + MARGIN, max(0, x - MARGIN) : x + ww + MARGIN] = True
    x0, y0, x1, y1 = EXIT_ROOM
    free[y0:y1, x0:x1] = True
    free[:, 0] = free[0, :] = free[-1, :] = free[:, -1] = False
    return free


def render(name, walker_img, seed=None):
    layout = LAYOUTS[name]
    free = free_mask(layout_paths(name, seed), walker_img.size)
    fill, light, dark = layout["colours"]
    wall = ~free
    p = np.pad(free, 1, constant_values=False)
    near_free = p[:-2, 1:-1] | p[2:, 1:-1] | p[1:-1, :-2] | p[1:-1, 2:]
    pd = np.pad(free, 2, constant_values=False)
    near2 = near_free | pd[:-4, 2:-2] | pd[4:, 2:-2] | pd[2:-2, :-4] | pd[2:-2, 4:]
    below_free = np.vstack([free[1:], np.zeros((1, W), dtype=bool)])
    above_free = np.vstack([np.zeros((1, W), dtype=bool), free[:-1]])
    arr = np.zeros((H, W, 4), dtype=np.uint8)
    arr[wall] = fill
    # A brick texture: darker mortar lines every 6 rows, staggered joints.
    yy, xx = np.mgrid[0:H, 0:W]
    mortar = (yy % 6 == 5) | (((xx + (yy // 6) * 6) % 12) == 0)
    mix = np.array(fill, dtype=np.int32) * 3 // 4 + np.array(dark, dtype=np.int32) // 4
    arr[wall & mortar] = mix.astype(np.uint8)
    arr[wall & near2 & above_free] = light
    arr[wall & near2 & below_free & ~above_free] = dark
    arr[wall & near_free] = c.INK
    arr[~wall] = (0, 0, 0, 0)
    return Image.fromarray(arr, "RGBA")


def blocked_positions(maze_alpha, walker_alpha, x_range, y_range):
    """blocked[y, x] is true where a walker with its top-left at (x, y) overlaps a
    wall pixel (both alphas non-zero), for x in x_range and y in y_range."""
    x0, x1 = x_range
    y0, y1 = y_range
    wh, ww = walker_alpha.shape
    pad = max(ww, wh) + max(abs(x0), abs(y0), x1 - W, y1 - H) + 2
    big = np.zeros((H + 2 * pad, W + 2 * pad), dtype=bool)
    big[pad : pad + H, pad : pad + W] = maze_alpha
    blocked = np.zeros((y1 - y0, x1 - x0), dtype=bool)
    for j, i in zip(*np.nonzero(walker_alpha)):
        blocked |= big[pad + y0 + j : pad + y1 + j, pad + x0 + i : pad + x1 + i]
    return blocked


def _search(maze_img, walker_img):
    """Breadth-first search over walker positions from the start. Returns the
    distance array (-1 unreachable), its origin, the first goal position reached
    (or None) and whether any reachable position leaves the maze picture."""
    maze_alpha = np.array(maze_img)[:, :, 3] > 0
    walker_alpha = np.array(walker_img)[:, :, 3] > 0
    margin = 16
    x0, y0 = -margin, -margin
    blocked = blocked_positions(maze_alpha, walker_alpha, (x0, W + margin), (y0, H + margin))
    hgt, wid = blocked.shape
    dist = np.full(blocked.shape, -1, dtype=np.int32)
    sx, sy = START[0] - x0, START[1] - y0
    if blocked[sy, sx]:
        return dist, (x0, y0), None, False
    dist[sy, sx] = 0
    q = deque([(sx, sy)])
    goal = None
    escaped = False
    ys, xs = np.nonzero(walker_alpha)
    while q:
        x, y = q.popleft()
        px, py = x + x0, y + y0
        if px + xs.min() < 0 or py + ys.min() < 0 or px + xs.max() >= W or py + ys.max() >= H:
            escaped = True
        if goal is None and px > GOAL_X and py > GOAL_Y:
            goal = (x, y)
        for dx in (-1, 0, 1):
            for dy in (-1, 0, 1):
                nx, ny = x + dx, y + dy
                if 0 <= nx < wid and 0 <= ny < hgt and dist[ny, nx] < 0 and not blocked[ny, nx]:
                    dist[ny, nx] = dist[y, x] + 1
                    q.append((nx, ny))
    return dist, (x0, y0), goal, escaped


def shortest_route(maze_img, walker_img):
    """Steps of the shortest walk from the start to the goal (8 directions, one
    pixel per axis per step), and whether any reachable position leaves the maze."""
    dist, _, goal, escaped = _search(maze_img, walker_img)
    return (None if goal is None else int(dist[goal[1], goal[0]])), escaped


def route_positions(maze_img, walker_img):
    """The walker positions (maze coordinates) of one shortest route, start first."""
    dist, (x0, y0), goal, _ = _search(maze_img, walker_img)
    if goal is None:
        return []
    x, y = goal
    route = [(x + x0, y + y0)]
    while dist[y, x] > 0:
        for dx in (-1, 0, 1):
            for dy in (-1, 0, 1):
                nx, ny = x + dx, y + dy
                if 0 <= ny < dist.shape[0] and 0 <= nx < dist.shape[1] and dist[ny, nx] == dist[y, x] - 1:
                    break
            else:
                continue
            break
        x, y = nx, ny
        route.append((x + x0, y + y0))
    return route[::-1]


def start_run_free(maze_img, walker_img):
    maze_alpha = np.array(maze_img)[:, :, 3] > 0
    walker_alpha = np.array(walker_img)[:, :, 3] > 0
    blocked = blocked_positions(maze_alpha, walker_alpha, (START[0], START_RUN_END + 1), (START[1], START[1] + 1))
    return not blocked.any()


def check(name, maze_img, walker_img):
    """Raises when a maze cannot be won comfortably within its step budget."""
    steps, escaped = shortest_route(maze_img, walker_img)
    budget = LAYOUTS[name]["budget"]
    if steps is None or steps > budget * 0.8:
        raise SystemExit(f"{name}: shortest route {steps} steps, budget {budget}")
    if escaped:
        raise SystemExit(f"{name}: the walker can leave the maze")
    if not start_run_free(maze_img, walker_img):
        raise SystemExit(f"{name}: the start run is blocked")
    return steps
