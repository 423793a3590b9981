#!/usr/bin/env python3
# Draws the program icon (a controller rack with a pencil) in the 16-colour palette and
# writes src/gui/program_icon.xpm.h. Run from src/gui.
pal = {'.':'None','k':'#000000','m':'#800000','g':'#008000','o':'#808000','n':'#000080',
       'p':'#800080','t':'#008080','s':'#C0C0C0','d':'#808080','r':'#FF0000','l':'#00FF00',
       'y':'#FFFF00','b':'#0000FF','f':'#FF00FF','a':'#00FFFF','w':'#FFFFFF'}
def canvas(n): return [['.']*n for _ in range(n)]
def rect(c,x0,y0,x1,y1,ch):
    for y in range(y0,y1+1):
        for x in range(x0,x1+1): c[y][x]=ch
def frame(c,x0,y0,x1,y1,ch):
    for x in range(x0,x1+1): c[y0][x]=ch; c[y1][x]=ch
    for y in range(y0,y1+1): c[y][x0]=ch; c[y][x1]=ch
def px(c,x,y,ch):
    if 0<=x<len(c) and 0<=y<len(c): c[y][x]=ch
def pencil(c,x0,y0,length,half):
    # axis from the tip (x0,y0) up and to the right; u along, v across
    n=len(c)
    for y in range(n):
        for x in range(n):
            u=(x-x0)-(y-y0); v=(x-x0)+(y-y0)
            if u<0 or u>length: continue
            tipLen=2*half+1
            if u<tipLen:
                if abs(v)*2>u+1: continue
                c[y][x]='k' if u<=1 else ('o' if abs(v)*2>=u-1 else 's')
                continue
            if abs(v)>half: continue
            if u>=length-2: c[y][x]='k' if abs(v)==half or u==length else 'f'
            elif abs(v)==half: c[y][x]='k'
            else: c[y][x]='y' if v<=0 else 'o'

big=canvas(32)
rect(big,1,4,26,24,'s'); frame(big,1,4,26,24,'k')
rect(big,2,23,25,23,'d'); rect(big,25,5,25,23,'d')
rect(big,2,5,24,8,'n')
for x in range(4,23,3): px(big,x,6,'a'); px(big,x+1,6,'w')
for i,x in enumerate((4,11,18)):
    frame(big,x,10,x+5,21,'d'); rect(big,x+1,11,x+4,20,'w')
    px(big,x+2,12,'l'); px(big,x+3,12,'g')
    px(big,x+2,14,'r' if i==1 else 'l'); px(big,x+3,14,'m' if i==1 else 'g')
    rect(big,x+2,17,x+3,19,'t')
rect(big,12,25,13,28,'k'); rect(big,5,29,20,29,'b'); rect(big,5,30,20,30,'n')
pencil(big,16,31,22,2)

small=canvas(16)
rect(small,0,2,12,11,'s'); frame(small,0,2,12,11,'k')
rect(small,1,3,11,4,'n')
for x in (2,6,9):
    rect(small,x,6,x+1,9,'w'); px(small,x,6,'l'); px(small,x+1,6,'g')
px(small,6,6,'r'); px(small,7,6,'m')
rect(small,6,12,6,13,'k'); rect(small,2,14,9,14,'b')
pencil(small,8,15,10,1)

def xpm(name,c):
    used=sorted(set(ch for row in c for ch in row))
    n=len(c)
    lines=[f'"{n} {n} {len(used)} 1",']+[f'"{ch} c {pal[ch]}",' for ch in used]
    lines+=['"'+''.join(r)+'",' for r in c]
    lines[-1]=lines[-1].rstrip(',')
    return f'static const char* const {name}[] = {{\n' + '\n'.join('    '+l for l in lines) + '\n};\n'
with open('program_icon.xpm.h','w') as f:
    f.write('// The program icon in 16 colours: a controller rack with a pencil, 32x32 and 16x16.\n')
    f.write('// Icons 128 and 138 both consist of these two images and share the small one.\n')
    f.write('#pragma once\n\n// clang-format off\n')
    f.write(xpm('kProgramIcon32',big)); f.write('\n'); f.write(xpm('kProgramIcon16',small))
    f.write('// clang-format on\n')
for r in big: print(''.join(r))
print()
for r in small: print(''.join(r))
